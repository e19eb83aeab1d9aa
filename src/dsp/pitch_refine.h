#pragma once
// Refinement of a comb-search fundamental to a fraction of a cent, and the
// test that keeps the comb search off spacings no strong peak supports.
//
// Why the refinement works. For one harmonic x(t) = a w(t) exp(i phi(t)) of
// a windowed frame, the power spectrum's first moment is
//     sum_b b |X_b|^2 / sum_b |X_b|^2
//       = (N / 2 pi) * sum_t w(t)^2 phi'(t) / sum_t w(t)^2    (in bins)
// (the term in w w' vanishes for a real, symmetric window): the centroid of
// a harmonic's band is the window^2-weighted mean of its instantaneous
// frequency. For a steady tone that is its frequency, wherever it lies within
// its bin (a peak bin or an interpolated maximum is biased by the grid); for
// a tone with vibrato it is the mean frequency over the frame, however the
// vibrato smears the upper harmonics into humps. The Kaiser (beta 10) main
// lobe is sampled at about 6.7 points and its side lobes are 74 dB down, so
// the discrete sum matches the integral to far below a cent.
// The harmonics' centroids c_k are fitted by weighted least squares to c_k = k f
// (weights: each band's power), working upwards so each band is centred on
// the fit of the harmonics below it.
//
// Where it fails. A band must hold its harmonic alone: when harmonics are
// closer than about two main lobes (about 13 bins: 35 Hz in a 16384-point
// frame at 44.1 kHz, 140 Hz in a 4096-point one) neighbouring lobes leak into
// each band and the centroid is pulled by up to a few cents; with vibrato the
// humps of the upper harmonics overlap and only the lower harmonics count.
// Strong inharmonicity (a piano's stretched partials) pulls the fit sharp as
// more harmonics enter it. Noise inside a band pulls its centroid toward the
// band's centre (negligible at 25 dB below the tone). A fundamental that the
// comb search put on the wrong harmonic is refined on that wrong harmonic.

// Refines coarseBin (a comb-search spacing, in bins) on magnitudes (N/2 of
// them, as magnitude_spectrum fills them). level: magnitudes at or below it do
// not count as a harmonic. Returns coarseBin when no harmonic band can be
// measured (no band power, or harmonics packed closer than 4 bins).
double refine_fundamental(int n, const double* magnitudes, double level, double coarseBin);

// Sorted bins of the local maxima of magnitudes (not below either neighbour)
// whose magnitude is at least strongLevel.
void strong_peaks(int n, const double* magnitudes, double strongLevel, int* peakBins, int& peakCount);

// True when a strong peak lies within 4 % (+ 1.5 bins) of spacingBin or of
// twice it: a fundamental with neither its first nor its second harmonic in
// the spectrum is not a fundamental this program reports.
bool spacing_is_supported(double spacingBin, const int* peakBins, int peakCount);

// The spacing doubled while no strong peak lies near its odd multiples 1, 3,
// 5 and 7 but one lies near its second multiple: every strong peak then
// belongs to the octave above. Vibrato humps between the harmonics can make
// the comb at half the fundamental collect about as much as the fundamental,
// and its sparseness then favours it.
double octave_checked_spacing(double spacingBin, const int* peakBins, int peakCount, int n);
