// Until pictures are decoded, references draw nothing.
#include "render/picture_drawer.h"

namespace korvel {

void DrawImageReference(RenderContext&, RenderTarget&, int, int, double, const std::string&) {}

}  // namespace korvel
