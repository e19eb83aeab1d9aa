#include "extraction/extraction.h"

#include "document/SampleBuffer.h"
#include "dsp/spectrum.h"

HarmonicList extraction_harmonic_list(const ExtractionSettings& settings, int32_t sampleRate, double lowestPitchHz)
{
    switch (settings.choice) {
    case 1: return parity_harmonic_list(settings.parity, half_band_harmonic_count(sampleRate, lowestPitchHz));
    case 2: return parse_harmonic_list(settings.list);
    case 3: return settings.inharmonic ? HarmonicList() : parse_harmonic_list(settings.exceptList);
    default: return {};
    }
}

CombFilterDesign extraction_design(const ExtractionSettings& settings)
{
    CombFilterDesign design;
    design.maskRows = settings.maskRows;
    if (settings.inharmonic) {
        design.operation = CombOperation::Inharmonic;
        return design;
    }
    design.operation = settings.operation == 1 ? CombOperation::Reduce : CombOperation::Extract;
    design.mode = settings.choice == 1 || settings.choice == 2 ? CombMode::PassListed : CombMode::PassAllExceptListed;
    return design;
}

void apply_extraction(SampleBuffer& doc, const ExtractionSettings& settings)
{
    if (!doc.isLoaded())
        return;
    const HarmonicList list = extraction_harmonic_list(
        settings, doc.sampleRate, lowest_channel_pitch(doc.channelPitch, doc.channels));
    const CombFilterDesign design = extraction_design(settings);
    for (int c = 0; c < doc.channels && c < 2; ++c) {
        const double pitch = doc.channelPitch[c];
        if (!(pitch > 0.0) || doc.samples[c].size() < static_cast<size_t>(doc.sampleCount))
            continue;
        const int k = best_power_of_two_multiple(doc.sampleRate / pitch, 8, 24);
        int16_t* data = doc.samples[c].data();
        harmonic_comb_filter(doc.sampleRate, pitch, k, doc.sampleCount, data, data, list, design);
    }
}
