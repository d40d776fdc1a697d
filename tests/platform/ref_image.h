// Reference images: a drawing built by a test is rendered with the Qt painter target and compared
// with tests/platform/references/<area>/<case>.png within a small per-channel tolerance. On a mismatch an
// expected|diff|actual strip is written under the build folder; UPDATE_REFS=1 rewrites the
// references instead.
#pragma once

#include <QImage>
#include <gtest/gtest.h>
#include <string>

#include "drawing/drawing.h"
#include "render/render_options.h"

namespace korvel::test {

// Renders with the fit rule into a width x height image filled with PenColor[0].
QImage RenderForReference(const Drawing& drawing, int width, int height,
                          const RenderOptions& options = RenderOptions{});

// Compares with tests/platform/references/<area>/<name>.png. `tolerance` is per channel; `allowedPixels`
// pixels may differ by more (for glyph edges in the text cases).
::testing::AssertionResult MatchesReference(const QImage& actual, const std::string& area,
                                            const std::string& name, int tolerance = 2,
                                            int allowedPixels = 0);

}  // namespace korvel::test
