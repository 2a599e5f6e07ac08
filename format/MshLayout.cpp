#include "format/MshLayout.h"

#include <cstring>

void initObjectHeader(MshObjectHeader& header) {
    memset(&header, 0, sizeof header);
    header.reserved633 = 256;
    header.hasSkinBlock = 1;
}
