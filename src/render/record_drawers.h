// The drawing of each record kind, called by the render driver and by block inserts for their
// members. Each applies its own gate and reads the block transform from the context.
#pragma once

#include "drawing/drawing.h"
#include "render/render_context.h"
#include "render/render_target.h"

namespace korvel {

void DrawLineRecord(RenderContext& context, RenderTarget& target, const TDataSen& line);
void DrawCircleRecord(RenderContext& context, RenderTarget& target, const TDataEnko& circle);
void DrawPointRecord(RenderContext& context, RenderTarget& target, const TDataTen& point);
void DrawSolidRecord(RenderContext& context, RenderTarget& target, const TDataSolid& solid);
void DrawBlockInsert(RenderContext& context, RenderTarget& target, const TDataBlock& insert);
void DrawDimensionRecord(RenderContext& context, RenderTarget& target,
                         const TDataSunpou& dimension);

// A straight run between two device points drawn as a line record of these attributes draws
// it: colour rule, pen width, dashes or random line. Shared by lines and dimension lines.
void DrawLineOfType(RenderContext& context, RenderTarget& target, const TJwData& attributes,
                    DevicePoint a, DevicePoint b);

// Draws record `index` of kind `cls` from a record set (top level or block members). Block
// definitions and indices beyond the lists draw nothing.
// Records out of the drawable range, and all records once the render's budget is spent, are
// left out (and noted in the context).
void DrawRecordOf(RenderContext& context, RenderTarget& target, const RecordSet& records,
                  RecordClass cls, size_t index);

// Remembers where the render's budget ran out: the block being drawn, or the top level.
void NoteBudgetCutPlace(RenderContext& context);

}  // namespace korvel
