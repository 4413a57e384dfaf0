#pragma once
// The instruction set a test run was limited to (--isa=NAME, see
// InstructionSetMain.cpp), so that every engine path is run end to end on
// the machine that builds it.

namespace engine_test {

// The name given with --isa ("plain", "sse2", "avx2", "avx512"), or "" for
// the fastest the processor runs.
const char* RequestedInstructionSet();

}  // namespace engine_test
