// The source folder and the program folder of this build, as the tests see
// them through VELMORA_SOURCE_DIR and VELMORA_PROGRAM_DIR (use them as
// std::string(VELMORA_SOURCE_DIR) + "/..."). They are defined once, in the
// generated velmora_test_paths.cpp of the build folder, instead of on every
// test's command line: so the compiled tests do not depend on where the clone
// lies, and one compiler cache serves every clone.
#pragma once

extern const char velmora_test_source_dir[];
extern const char velmora_test_program_dir[];
