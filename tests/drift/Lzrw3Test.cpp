#include "drift/Lzrw3.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "support/ByteBuilder.h"
#include "support/Corruption.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

Bytes fromText(std::string_view s) { return Bytes(s.begin(), s.end()); }

Bytes lzCompress(const Bytes& in) {
  Bytes work(kLzrw3WorkMemory);
  Bytes out(in.size() + kLzrw3Overrun);
  std::uint64_t len = 0;
  compress(COMPRESS_ACTION_COMPRESS, work.data(), in.data(), in.size(), out.data(), &len);
  out.resize(len);
  return out;
}

// Decodes into a buffer of exactly capacity bytes, so any write past it is
// seen by the address sanitizer.
Lzrw3Status lzDecode(const Bytes& stream, std::uint64_t capacity, Bytes& out) {
  Bytes work(kLzrw3WorkMemory);
  out.assign(capacity, 0xEE);
  std::uint64_t produced = 0;
  const Lzrw3Status st = lzrw3Decompress(work.data(), stream.data(), stream.size(), out.data(), capacity, produced);
  EXPECT_LE(produced, capacity);
  out.resize(produced);
  return st;
}

// The entry point's own decoder: output must hold 9 x the stream length.
Bytes lzAction2(const Bytes& stream) {
  Bytes work(kLzrw3WorkMemory);
  Bytes out(lzrw3MaxOutput(stream.size()));
  std::uint64_t produced = 0;
  compress(COMPRESS_ACTION_DECOMPRESS, work.data(), stream.data(), stream.size(), out.data(), &produced);
  EXPECT_LE(produced, out.size());
  out.resize(produced);
  return out;
}

Bytes randomBytes(std::size_t n, std::uint32_t seed, int alphabet = 256) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> pick(0, alphabet - 1);
  Bytes b(n);
  for (auto& x : b) x = static_cast<std::uint8_t>(pick(rng));
  return b;
}

// Runs of random length and value, the shape of sparse spectra.
Bytes runs(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b;
  while (b.size() < n) b.insert(b.end(), std::min<std::size_t>(rng() % 40 + 1, n - b.size()), std::uint8_t(rng() % 4));
  return b;
}

TEST(Lzrw3, IdentityRecord) {
  std::uint64_t addr = 0;
  Bytes untouched(8, 0xAB);
  compress(COMPRESS_ACTION_IDENTITY, nullptr, nullptr, 0, untouched.data(), &addr);
  const auto* id = reinterpret_cast<const compress_identity*>(static_cast<std::uintptr_t>(addr));
  ASSERT_NE(id, nullptr);
  EXPECT_EQ(id->id, 0x032DDEA8u);
  EXPECT_EQ(id->memory, 32784u);
  EXPECT_STREQ(id->name, "LZRW3");
  EXPECT_STREQ(id->version, "1.0");
  EXPECT_STREQ(id->date, "31-Dec-1990");
  EXPECT_STREQ(id->copyright, "Public Domain");
  EXPECT_STREQ(id->vendor, "Public Domain");
  EXPECT_EQ(untouched, Bytes(8, 0xAB));

  std::uint64_t len = 77;
  compress(3, nullptr, nullptr, 0, nullptr, &len);  // unknown action: nothing happens
  EXPECT_EQ(len, 77u);
}

TEST(Lzrw3, GoldenStreams) {
  Bytes hundredA = ByteBuilder().bytes({0, 0, 0, 0, 0xF8, 0xFF, 0x61, 0x61, 0x61}).take();
  for (int i = 0; i < 5; ++i) hundredA.insert(hundredA.end(), {0x2F, 0x0E});  // slot 0x20E = hash("aaa")
  hundredA.insert(hundredA.end(), {0x24, 0x0E});
  const struct {
    std::string input;
    Bytes stream;
  } cases[] = {
      {"", {0, 0, 0, 0}},
      {"A", {0, 0, 0, 0, 0xFE, 0xFF, 0x41}},
      {"AB", {0, 0, 0, 0, 0xFC, 0xFF, 0x41, 0x42}},
      {std::string(100, 'a'), hundredA},
  };
  for (const auto& c : cases) {
    const Bytes stream = lzCompress(fromText(c.input));
    EXPECT_EQ(stream, c.stream) << '"' << c.input.substr(0, 8) << "\" (" << c.input.size() << ")";
    Bytes back;
    EXPECT_EQ(lzDecode(stream, c.input.size(), back), Lzrw3Status::Ok);
    EXPECT_EQ(back, fromText(c.input));
  }
  EXPECT_EQ(hundredA.size(), 21u);
}

TEST(Lzrw3, UnsetSlotsCopyTheConstantText) {
  // Our compressor never refers to an unset slot; other producers may.
  Bytes out;
  EXPECT_EQ(lzDecode(ByteBuilder().u32(0).u16(0xFFFF).bytes({0x00, 0x05}).take(), 3, out), Lzrw3Status::Ok);
  EXPECT_EQ(out, fromText("123"));
  const Bytes longest = ByteBuilder().u32(0).u16(0xFFFF).bytes({0xFF, 0xFF}).take();  // slot 4095, 18 bytes
  EXPECT_EQ(lzAction2(longest), fromText("123456789012345678"));
}

TEST(Lzrw3, IncompressibleInputIsCopied) {
  for (std::size_t n : {1024u, 1025u, 4096u, 70000u}) {
    const Bytes in = randomBytes(n, static_cast<std::uint32_t>(n));
    const Bytes stream = lzCompress(in);
    ASSERT_EQ(stream.size(), n + 4) << n;
    EXPECT_EQ(Bytes(stream.begin(), stream.begin() + 4), Bytes({1, 0, 0, 0}));
    EXPECT_TRUE(std::equal(in.begin(), in.end(), stream.begin() + 4));
    EXPECT_EQ(lzAction2(stream), in);
  }
}

TEST(Lzrw3, RepeatsReachBack16383Bytes) {
  const Bytes block = randomBytes(64, 7);
  auto streamFor = [&](std::size_t distance) {
    Bytes in = block;
    in.resize(distance, 0);  // zeros between touch only a few slots
    in.insert(in.end(), block.begin(), block.end());
    const Bytes stream = lzCompress(in);
    Bytes back;
    EXPECT_EQ(lzDecode(stream, in.size(), back), Lzrw3Status::Ok);
    EXPECT_EQ(back, in);
    return stream.size();
  };
  const std::size_t inReach = streamFor(16383);
  const std::size_t outOfReach = streamFor(16384);
  // 64 bytes as copies cost about 8 stream bytes, as literals 64 and more.
  EXPECT_GE(outOfReach, inReach + 50) << inReach << " vs " << outOfReach;
}

TEST(Lzrw3, RoundTripsAtBatchEdgesAndBeyond) {
  const std::size_t sizes[] = {0, 1, 2, 3, 17, 18, 19, 287, 288, 289, 575, 576, 577, 5000, (1u << 20) + 333};
  for (std::size_t n : sizes) {
    const Bytes inputs[] = {randomBytes(n, 1), runs(n, 2), randomBytes(n, 3, 3), Bytes(n, 0x5A)};
    for (const Bytes& in : inputs) {
      const Bytes stream = lzCompress(in);
      EXPECT_LE(stream.size(), in.size() + kLzrw3MaxOverhead);
      Bytes back;
      ASSERT_EQ(lzDecode(stream, n, back), Lzrw3Status::Ok) << n;
      ASSERT_EQ(back, in) << n;
      ASSERT_EQ(lzAction2(stream), in) << n;
    }
  }
}

TEST(Lzrw3, OverlappingCopiesRepeatTheirPattern) {
  // Every period exercises a different copy distance (byte-wise below 16,
  // two pieces from 16 on).
  for (std::size_t period = 1; period <= 40; ++period) {
    const Bytes unit = randomBytes(period, static_cast<std::uint32_t>(period));
    Bytes in;
    while (in.size() < 3000) in.insert(in.end(), unit.begin(), unit.end());
    const Bytes stream = lzCompress(in);
    EXPECT_LT(stream.size(), in.size() / 2) << period;
    Bytes back;
    ASSERT_EQ(lzDecode(stream, in.size(), back), Lzrw3Status::Ok) << period;
    ASSERT_EQ(back, in) << period;
  }
}

TEST(Lzrw3, WorkMemoryAtAnyAlignment) {
  const Bytes in = runs(3000, 9);
  const Bytes want = lzCompress(in);
  Bytes block(kLzrw3WorkMemory + 8);
  for (std::size_t shift = 0; shift < 8; ++shift) {
    Bytes out(in.size() + kLzrw3Overrun);
    std::uint64_t len = 0;
    compress(COMPRESS_ACTION_COMPRESS, block.data() + shift, in.data(), in.size(), out.data(), &len);
    out.resize(len);
    EXPECT_EQ(out, want) << shift;
    Bytes back(in.size());
    std::uint64_t produced = 0;
    EXPECT_EQ(lzrw3Decompress(block.data() + shift, out.data(), out.size(), back.data(), back.size(), produced),
              Lzrw3Status::Ok);
    EXPECT_EQ(back, in) << shift;
  }
}

TEST(Lzrw3, DamagedStreamsAreReported) {
  const struct {
    const char* what;
    Bytes stream;
    std::uint64_t capacity;
    Lzrw3Status status;
    std::uint64_t produced;
  } cases[] = {
      {"empty", {}, 10, Lzrw3Status::TooShort, 0},
      {"3 bytes", {0, 0, 0}, 10, Lzrw3Status::TooShort, 0},
      {"flag 2", {2, 0, 0, 0, 0x41}, 10, Lzrw3Status::BadFlag, 0},
      {"flag 0x80", {0x80, 0, 0, 0}, 10, Lzrw3Status::BadFlag, 0},
      {"half a control word", {0, 0, 0, 0, 0xFE}, 10, Lzrw3Status::Truncated, 0},
      {"half a copy item", {0, 0, 0, 0, 0xFE, 0xFF, 0x41, 0x00}, 10, Lzrw3Status::Truncated, 1},
      {"control word alone", {0, 0, 0, 0, 0xFF, 0xFF}, 10, Lzrw3Status::Ok, 0},
      {"literal past capacity", {0, 0, 0, 0, 0xFC, 0xFF, 0x41, 0x42}, 1, Lzrw3Status::Overflow, 1},
      {"copy past capacity", {0, 0, 0, 0, 0xFF, 0xFF, 0x0F, 0x05}, 17, Lzrw3Status::Overflow, 0},
      {"copied form past capacity", {1, 0, 0, 0, 1, 2, 3}, 2, Lzrw3Status::Overflow, 0},
      {"copied form exact", {1, 0, 0, 0, 1, 2, 3}, 3, Lzrw3Status::Ok, 3},
  };
  for (const auto& c : cases) {
    Bytes work(kLzrw3WorkMemory), out(c.capacity);
    std::uint64_t produced = 99;
    EXPECT_EQ(lzrw3Decompress(work.data(), c.stream.data(), c.stream.size(), out.data(), c.capacity, produced),
              c.status)
        << c.what;
    EXPECT_EQ(produced, c.produced) << c.what;
  }
}

TEST(Lzrw3, EntryPointNeverExceedsNineTimesTheStream) {
  // 16 longest copies: the densest stream there is.
  ByteBuilder b;
  b.u32(0).u16(0xFFFF);
  for (int i = 0; i < 16; ++i) b.bytes({0xFF, 0xFF});
  const Bytes stream = b.take();
  EXPECT_EQ(lzAction2(stream).size(), 288u);
  EXPECT_LE(288u, lzrw3MaxOutput(stream.size()));
  EXPECT_EQ(lzrw3MaxOutput(UINT64_MAX / 2), UINT64_MAX);
}

// A decode passes only when it gives back exactly the original input.
ReaderCall exactDecode(const Bytes& original) {
  return [original](const Bytes& damaged) {
    Bytes out;
    const Lzrw3Status st = lzDecode(damaged, original.size(), out);
    return st == Lzrw3Status::Ok && out == original ? ZVRAW_OK : ZVRAW_COMPRESSED_DATA_ERROR;
  };
}

TEST(Lzrw3, TruncatedStreamsNeverPass) {
  const Bytes inputs[] = {Bytes{}, fromText("A"), runs(700, 4), randomBytes(300, 5, 4), randomBytes(1100, 6)};
  for (const Bytes& in : inputs) expectRejectsTruncations(lzCompress(in), exactDecode(in));
}

TEST(Lzrw3, CorruptStreamsStayInBounds) {
  std::uint32_t seed = 100;
  for (std::size_t n : {40u, 300u, 2000u, 20000u}) {
    const Bytes inputs[] = {runs(n, seed), randomBytes(n, seed, 3), randomBytes(n, seed, 16)};
    for (const Bytes& in : inputs) {
      const Bytes stream = lzCompress(in);
      expectSurvivesCorruptions(stream, exactDecode(in), ++seed, 150);
      // The same damage through the entry point, with its 9 x stream buffer.
      expectSurvivesCorruptions(
          stream, [](const Bytes& d) { return static_cast<int>(lzAction2(d).size() > 9 * d.size()); }, seed, 50);
    }
  }
}

// The format read item by item and byte by byte, with no shortcuts: the
// decoder's whole-group and two-piece copy paths must agree with it.
Bytes plainDecode(const Bytes& s) {
  if (s.size() < 4) return {};
  if (s[0] == 1) return Bytes(s.begin() + 4, s.end());
  const std::string text = "123456789012345678901234567890123456789012345678901234567890123456";
  auto hash = [](const Bytes& b, std::size_t p) {
    const std::uint32_t v = (std::uint32_t{b[p]} << 8) ^ (std::uint32_t{b[p + 1]} << 4) ^ b[p + 2];
    return ((40543u * v) >> 4) & 0xFFFu;
  };
  std::vector<std::ptrdiff_t> table(4096, -1);  // -1: the constant text
  Bytes out;
  std::size_t i = 4;
  int pending = 0;
  while (i + 1 < s.size()) {
    unsigned ctrl = s[i] | (s[i + 1] << 8);
    i += 2;
    for (int k = 0; k < 16 && i < s.size(); ++k, ctrl >>= 1) {
      if ((ctrl & 1) == 0) {
        out.push_back(s[i++]);
        if (++pending == 3) {
          table[hash(out, out.size() - 3)] = static_cast<std::ptrdiff_t>(out.size() - 3);
          pending = 2;
        }
        continue;
      }
      if (i + 1 >= s.size()) return out;
      const unsigned slot = ((s[i] & 0xF0u) << 4) | s[i + 1];
      const std::size_t len = 3 + (s[i] & 0x0Fu);
      i += 2;
      const std::size_t start = out.size();
      for (std::size_t c = 0; c < len; ++c) {
        out.push_back(table[slot] < 0 ? static_cast<std::uint8_t>(text[c]) : out[table[slot] + c]);
      }
      for (std::size_t p = start - pending; p < start; ++p) table[hash(out, p)] = static_cast<std::ptrdiff_t>(p);
      pending = 0;
      table[slot] = static_cast<std::ptrdiff_t>(start);
    }
  }
  return out;
}

TEST(Lzrw3, ArbitraryStreamsDecodeAsAPlainReadingWithinBounds) {
  std::mt19937 rng(0xFEED);
  for (int i = 0; i < 3000; ++i) {
    Bytes stream = randomBytes(4 + rng() % 400, rng(), i % 3 ? 256 : 8);
    stream[0] = 0;
    const Bytes plain = plainDecode(stream);
    Bytes out;
    const Lzrw3Status whole = lzDecode(stream, lzrw3MaxOutput(stream.size()), out);
    ASSERT_EQ(out, plain) << "stream " << i;
    // A smaller output stops early, with what fitted.
    const std::size_t capacity = rng() % (plain.size() + 1);
    EXPECT_EQ(lzDecode(stream, capacity, out), capacity < plain.size() ? Lzrw3Status::Overflow : whole);
    ASSERT_TRUE(std::equal(out.begin(), out.end(), plain.begin())) << "stream " << i;
  }
}

}  // namespace
