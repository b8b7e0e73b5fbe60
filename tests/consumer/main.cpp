// A program built against the installed package: converts one frame each
// way and checks the sizes and the copied first sample.
#include <velumor.h>

#include <cstdio>
#include <vector>

int main() {
    CDownSampler down(0.02f);
    CUpSampler up(0.02f);
    std::vector<short> in(static_cast<std::size_t>(down.InputLength), 1000);
    std::vector<short> mid(static_cast<std::size_t>(down.OutputLength));
    std::vector<short> out(static_cast<std::size_t>(up.OutputLength));
    down.Conversion(in.data(), mid.data());
    up.Conversion(mid.data(), out.data());
    const bool ok = down.InputLength == 441 && down.OutputLength == 160 && mid[0] == 1000 &&
                    up.InputLength == 160 && up.OutputLength == 441;
    std::printf("consumer: %s\n", ok ? "ok" : "unexpected result");
    return ok ? 0 : 1;
}
