#include "marlixmfc/spectrum/MxFft.h"

#include <cmath>
#include <cstring>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Four floats as one value (the compilers' vector extension; SSE on x86-64).
typedef float V4 __attribute__((vector_size(16)));

inline V4 Load(const float* p) {
    V4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void Store(float* p, V4 v) {
    std::memcpy(p, &v, sizeof v);
}
inline V4 Splat(float x) {
    return V4{x, x, x, x};
}

// The radix-R DFT: b_k = sum_j a_j e^(-2 pi i jk / R); T is float or V4.
template <int R, typename T> inline void Butterfly(const T* ar, const T* ai, T* br, T* bi) {
    if constexpr (R == 2) {
        br[0] = ar[0] + ar[1];
        bi[0] = ai[0] + ai[1];
        br[1] = ar[0] - ar[1];
        bi[1] = ai[0] - ai[1];
    } else if constexpr (R == 3) {
        const float c = -0.5f, sn = 0.86602540378443864676f; // cos, sin of 2 pi / 3
        const T tr = ar[1] + ar[2], ti = ai[1] + ai[2];
        const T dr = ar[1] - ar[2], di = ai[1] - ai[2];
        const T mr = ar[0] + c * tr, mi = ai[0] + c * ti;
        br[0] = ar[0] + tr;
        bi[0] = ai[0] + ti;
        br[1] = mr + sn * di;
        bi[1] = mi - sn * dr;
        br[2] = mr - sn * di;
        bi[2] = mi + sn * dr;
    } else if constexpr (R == 4) {
        const T t0r = ar[0] + ar[2], t0i = ai[0] + ai[2];
        const T t1r = ar[0] - ar[2], t1i = ai[0] - ai[2];
        const T t2r = ar[1] + ar[3], t2i = ai[1] + ai[3];
        const T t3r = ar[1] - ar[3], t3i = ai[1] - ai[3];
        br[0] = t0r + t2r;
        bi[0] = t0i + t2i;
        br[2] = t0r - t2r;
        bi[2] = t0i - t2i;
        br[1] = t1r + t3i; // t1 - i t3
        bi[1] = t1i - t3r;
        br[3] = t1r - t3i; // t1 + i t3
        bi[3] = t1i + t3r;
    } else {
        static_assert(R == 5);
        const float c1 = 0.30901699437494742410f;  // cos(2 pi / 5)
        const float c2 = -0.80901699437494742410f; // cos(4 pi / 5)
        const float s1 = 0.95105651629515357212f;  // sin(2 pi / 5)
        const float s2 = 0.58778525229247312917f;  // sin(4 pi / 5)
        const T t1r = ar[1] + ar[4], t1i = ai[1] + ai[4], d1r = ar[1] - ar[4], d1i = ai[1] - ai[4];
        const T t2r = ar[2] + ar[3], t2i = ai[2] + ai[3], d2r = ar[2] - ar[3], d2i = ai[2] - ai[3];
        const T m1r = ar[0] + c1 * t1r + c2 * t2r, m1i = ai[0] + c1 * t1i + c2 * t2i;
        const T m2r = ar[0] + c2 * t1r + c1 * t2r, m2i = ai[0] + c2 * t1i + c1 * t2i;
        const T n1r = s1 * d1r + s2 * d2r, n1i = s1 * d1i + s2 * d2i;
        const T n2r = s2 * d1r - s1 * d2r, n2i = s2 * d1i - s1 * d2i;
        br[0] = ar[0] + t1r + t2r;
        bi[0] = ai[0] + t1i + t2i;
        br[1] = m1r + n1i; // m1 - i n1
        bi[1] = m1i - n1r;
        br[4] = m1r - n1i; // m1 + i n1
        bi[4] = m1i + n1r;
        br[2] = m2r + n2i; // m2 - i n2
        bi[2] = m2i - n2r;
        br[3] = m2r - n2i; // m2 + i n2
        bi[3] = m2i + n2r;
    }
}

// One pass over s interleaved sub-sequences of length R m:
// x[q + s (p + j m)] -> y[q + s (R p + k)] = (radix-R DFT over j)_k times w^(k p).
// Scalar: for any s.
template <int R>
void PassScalar(const float* xr, const float* xi, float* yr, float* yi, int m, int s, const float* twr,
                const float* twi) {
    const int sm = s * m;
    for (int p = 0; p < m; ++p) {
        for (int q = 0; q < s; ++q) {
            float ar[R], ai[R], br[R], bi[R];
            for (int j = 0; j < R; ++j) {
                ar[j] = xr[q + s * p + j * sm];
                ai[j] = xi[q + s * p + j * sm];
            }
            Butterfly<R>(ar, ai, br, bi);
            yr[q + s * R * p] = br[0];
            yi[q + s * R * p] = bi[0];
            for (int k = 1; k < R; ++k) {
                const float wr = twr[(k - 1) * m + p], wi = twi[(k - 1) * m + p];
                yr[q + s * (R * p + k)] = br[k] * wr - bi[k] * wi;
                yi[q + s * (R * p + k)] = br[k] * wi + bi[k] * wr;
            }
        }
    }
}

// The same four q at a time (s a multiple of 4).
template <int R>
void PassVector(const float* xr, const float* xi, float* yr, float* yi, int m, int s, const float* twr,
                const float* twi) {
    const int sm = s * m;
    for (int p = 0; p < m; ++p) {
        V4 wr[R], wi[R];
        for (int k = 1; k < R; ++k) {
            wr[k] = Splat(twr[(k - 1) * m + p]);
            wi[k] = Splat(twi[(k - 1) * m + p]);
        }
        for (int q = 0; q < s; q += 4) {
            V4 ar[R], ai[R], br[R], bi[R];
            for (int j = 0; j < R; ++j) {
                ar[j] = Load(xr + q + s * p + j * sm);
                ai[j] = Load(xi + q + s * p + j * sm);
            }
            Butterfly<R>(ar, ai, br, bi);
            Store(yr + q + s * R * p, br[0]);
            Store(yi + q + s * R * p, bi[0]);
            for (int k = 1; k < R; ++k) {
                Store(yr + q + s * (R * p + k), br[k] * wr[k] - bi[k] * wi[k]);
                Store(yi + q + s * (R * p + k), br[k] * wi[k] + bi[k] * wr[k]);
            }
        }
    }
}

// Rows a, b, c, d become columns.
inline void Transpose(V4& a, V4& b, V4& c, V4& d) {
    const V4 t0 = __builtin_shufflevector(a, b, 0, 4, 1, 5);
    const V4 t1 = __builtin_shufflevector(a, b, 2, 6, 3, 7);
    const V4 t2 = __builtin_shufflevector(c, d, 0, 4, 1, 5);
    const V4 t3 = __builtin_shufflevector(c, d, 2, 6, 3, 7);
    a = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
    b = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
    c = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
    d = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
}

// The first radix-4 pass (s = 1, m a multiple of 4): four p at a time, their
// four outputs each turned from rows into the columns y[4 p + k].
void FirstPass4(const float* xr, const float* xi, float* yr, float* yi, int m, const float* twr,
                const float* twi) {
    for (int p = 0; p < m; p += 4) {
        V4 ar[4], ai[4], br[4], bi[4];
        for (int j = 0; j < 4; ++j) {
            ar[j] = Load(xr + p + j * m);
            ai[j] = Load(xi + p + j * m);
        }
        Butterfly<4>(ar, ai, br, bi);
        for (int k = 1; k < 4; ++k) {
            const V4 wr = Load(twr + (k - 1) * m + p), wi = Load(twi + (k - 1) * m + p);
            const V4 r = br[k] * wr - bi[k] * wi;
            bi[k] = br[k] * wi + bi[k] * wr;
            br[k] = r;
        }
        Transpose(br[0], br[1], br[2], br[3]);
        Transpose(bi[0], bi[1], bi[2], bi[3]);
        for (int l = 0; l < 4; ++l) {
            Store(yr + 4 * (p + l), br[l]);
            Store(yi + 4 * (p + l), bi[l]);
        }
    }
}

template <int R>
void RunPass(const float* xr, const float* xi, float* yr, float* yi, int m, int s, const float* twr,
             const float* twi) {
    if constexpr (R == 4) {
        if (s == 1 && m % 4 == 0) {
            FirstPass4(xr, xi, yr, yi, m, twr, twi);
            return;
        }
    }
    if (s % 4 == 0)
        PassVector<R>(xr, xi, yr, yi, m, s, twr, twi);
    else
        PassScalar<R>(xr, xi, yr, yi, m, s, twr, twi);
}

} // namespace

bool MxFft::Plan(int n) {
    m_n = 0;
    m_passes.clear();
    if (n < 2)
        return false;
    // Fours first: the first pass then takes four p at a time and every later
    // one four q at a time.
    std::vector<int> radices;
    int rest = n;
    for (int r : {4, 2, 3, 5}) {
        while (rest % r == 0) {
            radices.push_back(r);
            rest /= r;
        }
    }
    if (rest != 1)
        return false;
    int length = n, stride = 1;
    for (int r : radices) {
        Pass p;
        p.radix = r;
        p.m = length / r;
        p.stride = stride;
        p.twRe.resize(static_cast<std::size_t>((r - 1) * p.m));
        p.twIm.resize(p.twRe.size());
        for (int k = 1; k < r; ++k) {
            for (int j = 0; j < p.m; ++j) {
                const double a = -2.0 * kPi * double(k) * double(j) / double(length);
                p.twRe[(k - 1) * p.m + j] = static_cast<float>(std::cos(a));
                p.twIm[(k - 1) * p.m + j] = static_cast<float>(std::sin(a));
            }
        }
        m_passes.push_back(std::move(p));
        length /= r;
        stride *= r;
    }
    m_n = n;
    m_re.assign(n, 0.0f);
    m_im.assign(n, 0.0f);
    return true;
}

void MxFft::Forward(float* re, float* im) {
    float* xr = re;
    float* xi = im;
    float* yr = m_re.data();
    float* yi = m_im.data();
    for (const Pass& p : m_passes) {
        const float* twr = p.twRe.data();
        const float* twi = p.twIm.data();
        switch (p.radix) {
        case 2:
            RunPass<2>(xr, xi, yr, yi, p.m, p.stride, twr, twi);
            break;
        case 3:
            RunPass<3>(xr, xi, yr, yi, p.m, p.stride, twr, twi);
            break;
        case 4:
            RunPass<4>(xr, xi, yr, yi, p.m, p.stride, twr, twi);
            break;
        default:
            RunPass<5>(xr, xi, yr, yi, p.m, p.stride, twr, twi);
            break;
        }
        std::swap(xr, yr);
        std::swap(xi, yi);
    }
    if (xr != re) {
        std::memcpy(re, xr, sizeof(float) * m_n);
        std::memcpy(im, xi, sizeof(float) * m_n);
    }
}
