#pragma once
// One measurement of catalogue_bench in a process of its own, so that its peak memory (VmHWM)
// is its own: the built libkrix_interface.so loaded with dlopen and driven through its exports,
// on the inputs that the parent wrote into the working folder. Prints "name value" lines.
namespace BenchChild {

// The cases: "inittext", "expand", "messages", "codec <language>", "ecus".
int Run(int argc, char** argv);

} // namespace BenchChild
