#include "converters/builtin_filters.h"

namespace velumor {
namespace {

// Coefficients 0 .. 17; 17 is the centre.
constexpr float kDownHalf[kDownTapCount / 2 + 1] = {
    -0.014966f, -0.018249f, -0.002263f, 0.018461f,  0.022246f,  0.002265f,
    -0.023851f, -0.028629f, -0.002266f, 0.033269f,  0.040465f,  0.002267f,
    -0.053964f, -0.070022f, -0.002267f, 0.136685f,  0.276791f,  0.335601f,
};

// Coefficients 0 .. 72; 72 is the centre.
constexpr float kUpHalf[kUpTapCount / 2 + 1] = {
    -0.0001094568f, -0.0001139886f, -0.00009036016f, -0.00003391215f,
    0.00005283313f, 0.0001587831f,  0.0002647063f,   0.0003457863f,
    0.0003761476f,  0.0003346968f,  0.0002111826f,   0.00001110815f,
    -0.0002418676f, -0.0005070931f, -0.0007320977f,  -0.0008614079f,
    -0.0008477688f, -0.0006637842f, -0.0003115537f,  0.0001721071f,
    0.0007167388f,  0.001226465f,   0.001594877f,    0.001724608f,
    0.001548367f,   0.001047378f,   0.0002630931f,   -0.0007011957f,
    -0.00169073f,   -0.002521359f,  -0.003010692f,   -0.003013536f,
    -0.002455314f,  -0.001356697f,  0.0001565317f,   0.001862294f,
    0.003470557f,   0.004668414f,   0.005175581f,    0.004801211f,
    0.003491562f,   0.001358436f,   -0.00131929f,    -0.004124718f,
    -0.006561028f,  -0.008131602f,  -0.008430342f,   -0.007227134f,
    -0.004532585f,  -0.000628038f,  0.003948548f,    0.008463596f,
    0.01209072f,    0.01404257f,    0.01371274f,     0.01080515f,
    0.005428296f,   -0.001864749f,  -0.01010229f,    -0.01798838f,
    -0.02405711f,   -0.02686837f,   -0.02521877f,    -0.01833722f,
    -0.006035183f,  0.01121358f,    0.03227941f,     0.05547321f,
    0.0787237f,     0.09981394f,    0.1166464f,      0.127501f,
    0.13125f,
};

// Mirrors a half table (ending with the centre) into an odd-length table.
template <int TapCount>
void FillSymmetric(const float (&half)[TapCount / 2 + 1], float* coefficients) {
    for (int k = 0; k <= TapCount / 2; ++k) {
        coefficients[k] = half[k];
        coefficients[TapCount - 1 - k] = half[k];
    }
}

}  // namespace

void FillDownFilter(float* coefficients) { FillSymmetric<kDownTapCount>(kDownHalf, coefficients); }

void FillUpFilter(float* coefficients) { FillSymmetric<kUpTapCount>(kUpHalf, coefficients); }

}  // namespace velumor
