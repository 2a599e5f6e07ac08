#include "cli/Terminal.h"

#include <cstdio>
#include <unistd.h>

namespace mshtool {

bool stderrIsTerminal() {
    return isatty(fileno(stderr)) != 0;
}

void showProgress(size_t index, size_t count, const std::string& file) {
    if (count > 1 && stderrIsTerminal())
        std::fprintf(stderr, "[%zu/%zu] %s\n", index + 1, count, file.c_str());
}

} // namespace mshtool
