#include "convert_file.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#include "atomic_output.h"
#include "grouped_streams.h"

namespace velumor_tool {

ConvertResult ConvertFile(ConvertJob& job, const RawInput& raw, bool overwrite, int threads,
                          Progress& progress) {
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<SoundReader> reader =
        job.openInput ? std::move(job.openInput) : std::make_unique<SoundReader>(job.input, raw);
    const StreamRecipe& recipe = *job.recipe;
    const int channels = reader->Channels();
    std::optional<AtomicOutput> file;
    const bool toStandardOutput = job.output == kStandardStream;
    if (!toStandardOutput) file.emplace(job.output, overwrite);
    SoundWriter writer(file ? file->Descriptor() : STDOUT_FILENO,
                       toStandardOutput ? "standard output" : job.output, job.outputFormat,
                       recipe.outputRate, channels);

    const std::int64_t blockFrames = reader->BlockFrames();
    GroupedStreams converter(recipe, channels, threads, static_cast<std::size_t>(blockFrames));
    std::vector<short> block(static_cast<std::size_t>(blockFrames * channels));
    ConvertResult result{channels, 0, 0, 0.0};
    const auto write = [&](std::size_t frames) {
        writer.Write(converter.Output(), static_cast<std::int64_t>(frames));
        result.outputFrames += static_cast<std::int64_t>(frames);
    };
    // A file stops at the length its header gives, which the progress is
    // measured against; standard input goes on to its end.
    for (;;) {
        const std::int64_t want = reader->IsStandardInput()
                                      ? blockFrames
                                      : std::min(blockFrames, reader->Frames() - result.inputFrames);
        if (want <= 0) break;
        const std::int64_t got = reader->Read(block.data(), want);
        if (got == 0) break;
        result.inputFrames += got;
        write(converter.Process(block.data(), static_cast<std::size_t>(got)));
        progress.Advance(got);
    }
    write(converter.Finish());
    writer.Close();
    if (file) file->Commit();
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

}  // namespace velumor_tool
