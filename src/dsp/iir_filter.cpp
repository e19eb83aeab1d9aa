#include "dsp/iir_filter.h"

#include "dsp/fft.h"
#include "dsp/fir_filter.h"
#include "dsp/progress.h"

#include <algorithm>
#include <vector>

double iir_step(int32_t na, const double* a, int32_t nb, const double* b, double* w, double x)
{
    // w[0] is cleared first, so a[0] meets a zero and has no effect.
    w[0] = 0.0;
    double feedback = 0.0;
    for (int32_t i = 0; i <= na; ++i)
        feedback += a[i] * w[i];
    w[0] = x - feedback;
    double y = 0.0;
    for (int32_t i = 0; i <= nb; ++i)
        y += b[i] * w[i];
    for (int32_t k = std::max(na, nb); k >= 1; --k)
        w[k] = w[k - 1];
    return y;
}

void iir_filter_samples(int32_t na, const double* a, int32_t nb, const double* b, int32_t count,
                        const int16_t* in, int16_t* out)
{
    if (count <= 0 || na < 0 || nb < 0)
        return;
    std::vector<double> w(static_cast<size_t>(std::max(na, nb)) + 1, 0.0);
    for (int block = 0; block <= kProgressBlocks; ++block) {
        progress_advance();
        const ProgressBlock span = progress_block(count, block);
        for (int32_t i = span.begin; i < span.end; ++i)
            out[i] = sample_from_unit(iir_step(na, a, nb, b, w.data(), in[i] * kSampleToUnit));
    }
}
