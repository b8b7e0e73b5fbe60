/* The stream header must stay usable from C99; this also converts a short
 * stream through the C interface only, as a C caller would. */
#include <velumor_stream.h>

#include <stdio.h>

int main(void) {
    velumor_stream_config config;
    velumor_stream* stream = NULL;
    int16_t input[441] = {0};
    int16_t output[1000];
    size_t got = 0;
    size_t total = 0;
    int i;
    velumor_stream_config_init(&config, 22050, 8000, 1);
    if (velumor_stream_create(&config, &stream) != VELUMOR_OK) {
        fprintf(stderr, "create: %s\n", velumor_error_message());
        return 1;
    }
    input[100] = 10000;
    for (i = 0; i < 10; ++i) {
        if (velumor_stream_process(stream, input, 441, output, 1000, &got) != VELUMOR_OK) return 1;
        total += got;
    }
    if (velumor_stream_finish(stream, output, 1000, &got) != VELUMOR_OK) return 1;
    total += got;
    velumor_stream_destroy(stream);
    if (total != 1600) {
        fprintf(stderr, "%u samples, not 1600\n", (unsigned)total);
        return 1;
    }
    return 0;
}
