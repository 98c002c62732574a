#include "families/k2/value_lists.h"

namespace tavrin {

std::span<const ValueEntry> valueList(int id) {
    switch (id) {
        case 1005:
            return value_lists::k1005;
        case 1060:
            return value_lists::k1060;
        case 1006:
            return value_lists::k1006;
        case 1007:
            return value_lists::k1007;
        case 1059:
            return value_lists::k1059;
        case 1010:
            return value_lists::k1010;
        case 1011:
            return value_lists::k1011;
        case 1012:
            return value_lists::k1012;
        case 1016:
            return value_lists::k1016;
        case 1017:
            return value_lists::k1017;
        case 1018:
            return value_lists::k1018;
        case 1021:
            return value_lists::k1021;
        case 1019:
            return value_lists::k1019;
        case 1020:
            return value_lists::k1020;
        case 1030:
            return value_lists::k1030;
        case 1031:
            return value_lists::k1031;
        case 1033:
            return value_lists::k1033;
        case 1034:
            return value_lists::k1034;
        case 1037:
            return value_lists::k1037;
        case 1038:
            return value_lists::k1038;
        case 1039:
            return value_lists::k1039;
        case 1040:
            return value_lists::k1040;
        case 1041:
            return value_lists::k1041;
        case 1044:
            return value_lists::k1044;
        case 1047:
            return value_lists::k1047;
        case 1048:
            return value_lists::k1048;
        case 1049:
            return value_lists::k1049;
        case 1051:
            return value_lists::k1051;
        case 1052:
            return value_lists::k1052;
        case 1053:
            return value_lists::k1053;
        case 1054:
            return value_lists::k1054;
        case 1055:
            return value_lists::k1055;
        case 1056:
            return value_lists::k1056;
        default:
            return {};
    }
}

}  // namespace tavrin
