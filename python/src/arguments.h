// Numbers from Python arguments, checked with the exception a wrong one
// deserves: TypeError for a value of the wrong kind, ValueError for one out
// of range.
#ifndef VELUMOR_PYTHON_ARGUMENTS_H
#define VELUMOR_PYTHON_ARGUMENTS_H

#include <pybind11/pybind11.h>

#include <atomic>
#include <string>

namespace velumor_python {

// A real number (int, float, numpy scalar); must be finite and > 0.
double PositiveReal(pybind11::handle value, const char* argument);

// A whole number (int or anything with __index__, not float), within
// [low, high].
long long WholeNumber(pybind11::handle value, const char* argument, long long low, long long high);

// "0.02", "22050": a number as the messages show it.
std::string NumberText(double value);

// Marks an object as converting for the scope. A second thread that calls it
// meanwhile gets velumor.Error instead of a data race in the library.
class BusyGuard {
public:
    BusyGuard(std::atomic<bool>& busy, const char* className);
    ~BusyGuard() { busy_.store(false, std::memory_order_release); }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    std::atomic<bool>& busy_;
};

}  // namespace velumor_python

#endif
