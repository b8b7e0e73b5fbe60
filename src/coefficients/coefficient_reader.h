#ifndef VELUMOR_COEFFICIENTS_COEFFICIENT_READER_H
#define VELUMOR_COEFFICIENTS_COEFFICIENT_READER_H

namespace velumor {

// Reads (skip + keep) entries "integer real" from a coefficient file, in file
// order. Entry i of the first skip goes to destination[i], entry i of the
// following keep goes to destination[i]; a slot at or past keep is never
// written, so destination needs keep floats. An entry that cannot be read
// leaves its slot as it was. A file that cannot be opened reads nothing.
// Negative counts are taken as 0.
void ReadCoefficients(const char* path, float* destination, int skip, int keep);

}  // namespace velumor

#endif
