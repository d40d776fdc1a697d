// Until the text engine lands, texts draw nothing.
#include "render/text_record.h"

namespace korvel {

void DrawTextRecord(RenderContext&, RenderTarget&, const TDataMoji&) {}
void DrawDimensionText(RenderContext&, RenderTarget&, const TDataSunpou&) {}

}  // namespace korvel
