// Valid C++11 that the SDK's max.h breaks: it leaves the Windows min and max macros defined.
#include <algorithm>
int larger = std::max(1, 2);
