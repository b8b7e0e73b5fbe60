#include "report.h"

#include <iostream>

#include "analysis.h"
#include "csv_file.h"

namespace measure {
namespace {

constexpr double kToneStepHz = 25;
constexpr int kMaxImageOrder = 24;
constexpr double kDistortionHz = 1000;

std::string PathOf(const std::string& directory, const Direction& direction,
                   const std::string& what) {
    return directory + "/" + direction.name + "_" + what + ".csv";
}

void WriteTable(const Direction& direction, const std::string& directory) {
    CsvFile file(PathOf(directory, direction, "table"), "frequency_hz,level_db");
    const double step = direction.table.rate / 4000;
    for (double f = 0; f <= direction.table.rate / 2; f += step) {
        file.Row(f, Decibels(TableMagnitude(direction.table.coefficients, direction.table.rate, f)));
    }
    const TableFigures figures = ComputeTableFigures(direction.table, direction.bands, 1.0);
    CsvFile summary(PathOf(directory, direction, "table_figures"),
                    "rate_hz,taps,passband_hz,stopband_hz,dc_db,ripple_min_db,ripple_max_db,"
                    "stop_db,far_stop_hz,far_stop_db");
    summary.Row(direction.table.rate, direction.table.coefficients.size(),
                direction.bands.passbandHz, direction.bands.stopbandHz, figures.dcDb,
                figures.rippleMinDb, figures.rippleMaxDb, figures.stopDb,
                1.25 * direction.bands.stopbandHz, figures.farStopDb);
}

}  // namespace

std::vector<Figures> MeasureAndWrite(const Direction& direction, const std::string& directory) {
    const RatePair rates = direction.rates;
    const Layout toneLayout;
    Layout distortionLayout;
    distortionLayout.blockFrames = 50;

    WriteTable(direction, directory);
    CsvFile response(PathOf(directory, direction, "response"),
                     "converter,input_hz,k,sign,output_hz,level_db");
    CsvFile delay(PathOf(directory, direction, "delay"), "converter,frequency_hz,group_delay_ms");
    CsvFile tone(PathOf(directory, direction, "tone"), "converter,framing,index,value");
    CsvFile position(PathOf(directory, direction, "frame_error"), "converter,position,error_db");
    CsvFile transient(PathOf(directory, direction, "transient"),
                      "converter,time_ms,impulse,step");
    CsvFile summary(PathOf(directory, direction, "figures"),
                    "converter,input_hz,output_hz,passband_hz,stopband_hz,ripple_min_db,ripple_max_db,"
                    "stop_attenuation_db,alias_rejection_db,thdn_db,group_delay_ms,"
                    "held_back_ms,delay_ms,delay_input_samples,artefact_db");

    std::vector<Figures> all;
    for (const ConverterKind& kind : direction.converters) {
        std::cerr << direction.name << ": " << kind.name << '\n';
        std::vector<ToneResponse> tones;
        for (double f : ToneGrid(rates, kToneStepHz)) {
            tones.push_back(MeasureTone(kind, rates, f, toneLayout, kMaxImageOrder));
            const ToneResponse& t = tones.back();
            response.Row(kind.name, f, 0, 1, t.main.outputHz, t.main.levelDb);
            for (const Component& c : t.images) {
                response.Row(kind.name, f, c.k, c.sign, c.outputHz, c.levelDb);
            }
        }
        for (const auto& [frequency, ms] : GroupDelays(tones, rates)) delay.Row(kind.name, frequency, ms);

        const Distortion distortion = MeasureDistortion(kind, rates, kDistortionHz, distortionLayout);
        for (std::size_t i = 0; i < distortion.framed.size(); ++i) {
            tone.Row(kind.name, "frames", i, distortion.framed[i]);
            tone.Row(kind.name, "whole", i, distortion.whole[i]);
        }
        for (std::size_t i = 0; i < distortion.positionErrorDb.size(); ++i) {
            position.Row(kind.name, i, distortion.positionErrorDb[i]);
        }

        const Transients transients = MeasureTransients(kind, rates, toneLayout, 2, 16);
        for (std::size_t i = 0; i < transients.timeMs.size(); ++i) {
            transient.Row(kind.name, transients.timeMs[i], transients.impulse[i], transients.step[i]);
        }

        const Figures f = ComputeFigures(tones, distortion, rates, direction.bands);
        summary.Row(kind.name, rates.input, rates.output, direction.bands.passbandHz, direction.bands.stopbandHz,
                    f.rippleMinDb, f.rippleMaxDb, f.stopAttenuationDb, f.aliasRejectionDb, f.thdnDb,
                    f.groupDelayMs, f.heldBackMs, f.delayMs, f.delayInputSamples, f.artefactDb);
        all.push_back(f);
    }
    return all;
}

}  // namespace measure
