#pragma once

// Runs a reader over every truncation of a valid file and over a fixed,
// seeded set of random byte corruptions. The reader gets the damaged bytes
// (it usually writes them to a file and opens it) and returns a result code.
//
//   expectRejectsTruncations(valid, read);           // every cut must fail
//   expectSurvivesCorruptions(valid, read, 0x5eed);  // any code, no crash

#include <cstdint>
#include <filesystem>
#include <functional>

#include "formats/portability/ByteCodec.h"

using ReaderCall = std::function<int(const Bytes& damaged)>;

// Whether a cut of this length may still read successfully (the reader's
// documented tolerance, e.g. a trailing partial record that is ignored).
using CutTolerance = std::function<bool(std::size_t cutLength)>;

// Every proper prefix of valid (lengths 0 .. size-1) must give a non-zero
// result code, unless tolerate(cut) says that cut may pass. The whole file
// must read with 0.
void expectRejectsTruncations(const Bytes& valid, const ReaderCall& read, const CutTolerance& tolerate = {});

// count corruptions of 1 to 8 bytes each, drawn from seed: every one must
// return a code in the library's range (0..80) and never crash; sanitizers
// catch any out-of-bounds access on the way.
void expectSurvivesCorruptions(const Bytes& valid, const ReaderCall& read, std::uint32_t seed = 0x5eed,
                               int count = 200);

// The file at path damaged in place, read() after each damage: every cut
// (any of which may read, as a file still being written may) and count
// seeded corruptions (codes in range). The file is put back whole.
void expectDamagedFileSurvives(const std::filesystem::path& file, const std::function<int()>& read, std::uint32_t seed,
                               int count);
