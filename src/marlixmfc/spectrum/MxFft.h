// Forward complex FFT in single precision for the block sizes the instrument
// sends (products of 2, 3 and 5, such as 8192 and 30720): a Stockham pass per
// factor over separate real and imaginary arrays, whose inner loops run over
// contiguous memory and vectorise. The project's own code, so the licence
// stays the program's.
#pragma once
#include <vector>

class MxFft {
public:
    // False (and no plan) when n has a prime factor above 5 or is below 2.
    bool Plan(int n);
    int Size() const { return m_n; }
    // In place: re and im hold n samples, then the n bins in natural order
    // (X[k] = sum x[j] e^(-2 pi i jk / n)). Plan must have succeeded.
    void Forward(float* re, float* im);

private:
    struct Pass {
        int radix = 0;
        int m = 0;                     // butterflies per sub-sequence: length / radix
        int stride = 0;                // sub-sequences interleaved so far
        std::vector<float> twRe, twIm; // w^(k p) at [(k - 1) * m + p]
    };
    int m_n = 0;
    std::vector<Pass> m_passes;
    std::vector<float> m_re, m_im; // the other buffer of each pass
};
