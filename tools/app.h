// The quillmark program as a function: the command line in, the exit status out, its
// output on stdout and its one-line errors on stderr. The program's main only adds the
// signal handling; tests and the fuzzer call it in-process.
#pragma once

#include <csignal>
#include <string>
#include <vector>

// Runs one command line (without the program name). A render stops with the
// "interrupted" status when *pInterrupt becomes non-zero; pInterrupt may be null.
int QVRunQuillmark(const std::vector<std::string>& args, const volatile std::sig_atomic_t* pInterrupt);
