// Separate streams on separate threads at once: each gives what it gives
// alone, and each thread keeps its own error message. The ThreadSanitizer
// build runs this.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "stream_runner.h"

namespace {

TEST(StreamThreadTest, SeparateStreamsRunAtOnceAndKeepTheirOwnMessages) {
    const std::vector<StreamSetup> setups = [] {
        std::vector<StreamSetup> s(4);
        s[1].inputRate = 8000;
        s[1].outputRate = 22050;
        s[2].channels = 2;
        s[3].inputRate = 16000;
        s[3].outputRate = 48000;
        return s;
    }();
    std::vector<std::vector<std::int16_t>> inputs;
    std::vector<std::vector<std::int16_t>> expected;
    for (const StreamSetup& s : setups) {
        inputs.push_back(TestSignal(static_cast<std::size_t>(s.inputRate / 2), s.channels, 6));
        expected.push_back(OneShot(s, inputs.back()));
    }
    std::vector<std::vector<std::int16_t>> results(setups.size());
    std::vector<std::string> messages(setups.size());
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < setups.size(); ++t) {
        threads.emplace_back([&, t] {
            velumor_stream_config bad = setups[t].Config();
            bad.channels = static_cast<int>(1000 + t);
            velumor_stream* none = nullptr;
            (void)velumor_stream_create(&bad, &none);
            TestStream stream(setups[t]);
            results[t] = stream.Run(inputs[t], RandomChunks(static_cast<unsigned>(t), 900));
            messages[t] = velumor_error_message();
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (std::size_t t = 0; t < setups.size(); ++t) {
        EXPECT_EQ(results[t], expected[t]) << "stream " << t;
        EXPECT_NE(messages[t].find("channels " + std::to_string(1000 + t)), std::string::npos) << messages[t];
    }
}

}  // namespace
