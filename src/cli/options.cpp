#include "cli/options.h"

namespace korvel::cli {

DataKind DataKindOf(long number) {
    switch (number) {
        case 1: return DataKind::Jws;
        case 2: return DataKind::Jwz;
        default: return DataKind::Jww;
    }
}

}  // namespace korvel::cli
