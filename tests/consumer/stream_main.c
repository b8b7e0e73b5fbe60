/* A C program built against the installed package: streams a click from
 * 22050 Hz to 8000 Hz in 20 ms chunks and checks the length and where the
 * click lands. */
#include <velumor_stream.h>

#include <stdio.h>
#include <stdlib.h>

int main(void) {
    velumor_stream_config config;
    velumor_stream* stream = NULL;
    int16_t input[441];
    int16_t output[8000];
    size_t got = 0;
    size_t total = 0;
    size_t peak = 0;
    int chunk;
    velumor_stream_config_init(&config, 22050, 8000, 1);
    if (velumor_stream_create(&config, &stream) != VELUMOR_OK) {
        fprintf(stderr, "stream consumer: %s\n", velumor_error_message());
        return 1;
    }
    for (chunk = 0; chunk < 50; ++chunk) {
        int i;
        for (i = 0; i < 441; ++i) input[i] = (int16_t)(chunk * 441 + i == 11025 ? 20000 : 0);
        if (velumor_stream_process(stream, input, 441, output + total, 8000 - total, &got) != VELUMOR_OK) {
            fprintf(stderr, "stream consumer: %s\n", velumor_error_message());
            return 1;
        }
        total += got;
    }
    if (velumor_stream_finish(stream, output + total, 8000 - total, &got) != VELUMOR_OK) return 1;
    total += got;
    velumor_stream_destroy(stream);
    for (got = 0; got < total; ++got) {
        if (abs(output[got]) > abs(output[peak])) peak = got;
    }
    printf("stream consumer: %s\n", total == 8000 && peak == 4000 ? "ok" : "unexpected result");
    return total == 8000 && peak == 4000 ? 0 : 1;
}
