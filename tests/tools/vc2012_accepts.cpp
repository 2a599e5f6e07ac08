// Constructs Visual C++ 2012 accepts; the checker must let them through.
#include <algorithm>
#include <memory>
#include <vector>
enum class Layout { legacy, mesh8 };
struct Base {
    virtual ~Base() {}
    virtual int f() const { return 0; }
};
struct Derived : Base {
    int f() const override { return 1; }
};
static_assert(sizeof(int) == 4, "int is 32-bit");
inline int sum(const std::vector<int>& values) {
    int total = 0;
    for (auto v : values)
        total += v;
    auto twice = [](int v) { return v * 2; };
    std::unique_ptr<int> owned(new int(twice(total)));
    int* none = nullptr;
    return none ? 0 : *owned;
}
int counts[3] = {1, 2, 3};
int larger = (std::max)(1, 2);
