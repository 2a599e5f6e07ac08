// Each construct below is beyond Visual C++ 2012; the checker must report every one of them.
#include <vector>
struct MemberInit {
    int value = 3;
};
struct Defaulted {
    Defaulted() = default;
    Defaulted(const Defaulted&) = delete;
};
constexpr int twice(int v) { return 2 * v; }
void cannotThrow() noexcept {}
template <typename... T> void variadic(T...) {}
struct Delegating {
    Delegating(int) {}
    Delegating() : Delegating(1) {}
};
const char* raw = R"(raw)";
std::vector<int> listed = {1, 2, 3};
