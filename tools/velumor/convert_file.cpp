#include "convert_file.h"

#include <chrono>
#include <memory>
#include <vector>

#include "atomic_output.h"
#include "channel_stream.h"
#include "parallel.h"

namespace velumor_tool {
namespace {

// Input frames read, converted and written at a time.
constexpr std::int64_t kBlockFrames = 1 << 16;

class InterleavedConverter {
public:
    InterleavedConverter(const ConverterRecipe& recipe, int channels, std::int64_t frames, int threads)
        : workers_(channels, threads),
          inputs_(static_cast<std::size_t>(channels)),
          outputs_(static_cast<std::size_t>(channels)) {
        // Built (and primed) on the thread that will run it.
        streams_.resize(static_cast<std::size_t>(channels));
        workers_.Run([&](int c) {
            streams_[static_cast<std::size_t>(c)] = std::make_unique<ChannelStream>(recipe, frames);
        });
    }

    // Converts a block of interleaved input; returns the interleaved output.
    const std::vector<short>& Push(const short* interleaved, std::int64_t frames) {
        const std::size_t n = static_cast<std::size_t>(frames);
        const std::size_t channels = streams_.size();
        for (std::size_t c = 0; c < channels; ++c) {
            inputs_[c].resize(n);
            for (std::size_t i = 0; i < n; ++i) inputs_[c][i] = interleaved[i * channels + c];
        }
        return Run([&](std::size_t c) { streams_[c]->Push(inputs_[c].data(), n, outputs_[c]); });
    }

    const std::vector<short>& Finish() {
        return Run([&](std::size_t c) { streams_[c]->Finish(outputs_[c]); });
    }

private:
    template <typename Step>
    const std::vector<short>& Run(const Step& step) {
        const std::size_t channels = streams_.size();
        for (auto& output : outputs_) output.clear();
        workers_.Run([&](int c) { step(static_cast<std::size_t>(c)); });
        // Every channel has the same geometry, so the same output count.
        const std::size_t n = outputs_[0].size();
        interleaved_.resize(n * channels);
        for (std::size_t c = 0; c < channels; ++c) {
            for (std::size_t i = 0; i < n; ++i) interleaved_[i * channels + c] = outputs_[c][i];
        }
        return interleaved_;
    }

    std::vector<std::unique_ptr<ChannelStream>> streams_;
    PinnedWorkers workers_;
    std::vector<std::vector<short>> inputs_;
    std::vector<std::vector<short>> outputs_;
    std::vector<short> interleaved_;
};

}  // namespace

ConvertResult ConvertFile(const ConvertJob& job, const RawInput& raw, bool overwrite, int threads,
                          Progress& progress) {
    const auto start = std::chrono::steady_clock::now();
    SoundReader reader(job.input, raw);
    const ConverterRecipe& recipe = *job.recipe;
    const int channels = reader.Channels();
    AtomicOutput output(job.output, overwrite);
    SoundWriter writer(output.Descriptor(), job.output, job.outputFormat, recipe.outputRate, channels);

    InterleavedConverter converter(recipe, channels, reader.Frames(), threads);
    std::vector<short> block(static_cast<std::size_t>(kBlockFrames * channels));
    ConvertResult result{channels, 0, 0, 0.0};
    const auto write = [&](const std::vector<short>& samples) {
        const std::int64_t frames = static_cast<std::int64_t>(samples.size()) / channels;
        writer.Write(samples.data(), frames);
        result.outputFrames += frames;
    };
    // Stops at the length the header gave, which the output length is computed from.
    while (result.inputFrames < reader.Frames()) {
        const std::int64_t want = std::min(kBlockFrames, reader.Frames() - result.inputFrames);
        const std::int64_t got = reader.Read(block.data(), want);
        if (got == 0) break;
        result.inputFrames += got;
        write(converter.Push(block.data(), got));
        progress.Advance(got);
    }
    write(converter.Finish());
    writer.Close();
    output.Commit();
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

}  // namespace velumor_tool
