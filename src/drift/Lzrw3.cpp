#include "drift/Lzrw3.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

#include "formats/portability/ByteCodec.h"

namespace {

constexpr std::size_t kSlots = 4096;
constexpr std::uint64_t kHeaderBytes = 4;
constexpr std::uint64_t kMinItem = 3;
constexpr std::uint64_t kMaxItem = 18;
constexpr unsigned kGroupItems = 16;
constexpr std::uint64_t kGroupInput = kGroupItems * kMaxItem;  // 288: a whole group needs no end tests
constexpr std::uint64_t kGroupStream = 2 + kGroupItems * 2;    // control word and 16 copy items
// A whole-group decode reads 16 stream bytes at a time and writes copies as
// 24 bytes: item k starts at most 2k + 2 stream bytes and 18k output bytes in.
constexpr std::uint64_t kWideRead = kGroupItems;
constexpr std::uint64_t kWideWrite = 24;
constexpr std::uint64_t kGroupStreamRoom = kGroupStream + kWideRead;
constexpr std::uint64_t kGroupOutputRoom = (kGroupItems - 1) * kMaxItem + kWideWrite;
constexpr std::uint8_t kFlagCoded = 0;
constexpr std::uint8_t kFlagCopied = 1;

// Compressor slots hold position + kReachBias, 0 being empty. A candidate is
// at most 16383 bytes back exactly when its slot value exceeds the current
// position, so one compare covers both "empty" and "out of reach".
constexpr std::uint64_t kReachBias = 16384;

// Decoder slots hold output position + 1; 0 points at this text, which other
// producers' streams may copy from before the slot was ever set.
constexpr char kUnsetSlotText[] = "123456789012345678901234567890123456789012345678901234567890123456";
static_assert(sizeof(kUnsetSlotText) - 1 >= kMaxItem);

const compress_identity kIdentity{
    0x032DDEA8,    kLzrw3WorkMemory, "LZRW3",          "1.0", "31-Dec-1990",
    "Public Domain", "libZorvalenRaw", "libZorvalenRaw", "Public Domain"};

// 8-byte slots need an 8-byte boundary: round up inside the 16-byte allowance.
std::uint64_t* slotTable(std::uint8_t* wrk) {
  const auto misalign = reinterpret_cast<std::uintptr_t>(wrk) & 7u;
  return reinterpret_cast<std::uint64_t*>(wrk + ((8 - misalign) & 7u));
}
static_assert(kSlots * 8 + 7 <= kLzrw3WorkMemory);

inline std::uint32_t hash3(const std::uint8_t* p) {
  const std::uint32_t v = (std::uint32_t{p[0]} << 8) ^ (std::uint32_t{p[1]} << 4) ^ p[2];
  return ((40543u * v) >> 4) & 0xFFFu;
}

// Control words are little-endian u16 fields of the stream.
inline void storeControl(std::uint8_t* at, std::uint32_t word) { storeLE(at, static_cast<std::uint16_t>(word)); }

class Coder {
 public:
  Coder(std::uint64_t* table, const std::uint8_t* src, std::uint64_t n, std::uint8_t* body)
      : table_(table), src_(src), n_(n), body_(body), out_(body + 2), ctrlAt_(body) {
    std::fill_n(table_, kSlots, 0);
  }

  // Output after the header, a reserved control word counting only once it
  // holds an item.
  [[nodiscard]] std::uint64_t written() const {
    return static_cast<std::uint64_t>(out_ - body_) - (items_ == 0 ? 2 : 0);
  }
  [[nodiscard]] std::uint64_t position() const { return pos_; }

  // At least kGroupInput bytes remain: 16 items without end tests.
  void codeGroup() {
    for (unsigned k = 0; k < kGroupItems; ++k) codeItem<false>();
    closeGroup();
  }
  void codeOne() {
    codeItem<true>();
    if (items_ == kGroupItems) closeGroup();
  }

  // Writes the last control word (unused bits 1) or drops an empty one;
  // returns the bytes after the header.
  std::uint64_t finish() {
    if (items_ == 0) {
      out_ -= 2;
    } else {
      storeControl(ctrlAt_, ctrl_ | (0xFFFFu << items_));
    }
    return static_cast<std::uint64_t>(out_ - body_);
  }

 private:
  template <bool kNearEnd>
  std::uint64_t matchLength(const std::uint8_t* cand, const std::uint8_t* p) const {
    if constexpr (!kNearEnd) {
      // 18 bytes are readable at both: the candidate lies before p. Loaded
      // little-endian, the first differing byte is the lowest differing one.
      std::uint64_t diff = loadLE<std::uint64_t>(cand) ^ loadLE<std::uint64_t>(p);
      if (diff != 0) return static_cast<std::uint64_t>(std::countr_zero(diff)) >> 3;
      diff = loadLE<std::uint64_t>(cand + 8) ^ loadLE<std::uint64_t>(p + 8);
      if (diff != 0) return 8 + (static_cast<std::uint64_t>(std::countr_zero(diff)) >> 3);
      if (cand[16] != p[16]) return 16;
      return cand[17] == p[17] ? 18 : 17;
    } else {
      const std::uint64_t limit = std::min(kMaxItem, n_ - pos_);
      std::uint64_t k = 0;
      while (k < limit && cand[k] == p[k]) ++k;
      return k;
    }
  }

  // Slot updates lag two literals behind, as the decoder can only hash a
  // literal once the two bytes after it exist. h1_/h2_ are the slots of the
  // last and second-last literal, or the spare slot after a copy.
  template <bool kNearEnd>
  void codeItem() {
    const std::uint64_t pos = pos_;
    std::uint64_t* h0 = spare();
    std::uint32_t slot = 0;
    std::uint64_t len = 0;
    if (!kNearEnd || n_ - pos >= kMinItem) {
      slot = hash3(src_ + pos);
      h0 = table_ + slot;
      const std::uint64_t seen = *h0;
      if (seen > pos) len = matchLength<kNearEnd>(src_ + (seen - kReachBias), src_ + pos);
    }
    if (len >= kMinItem) {
      *h2_ = pos - 2 + kReachBias;
      *h1_ = pos - 1 + kReachBias;
      h1_ = h2_ = spare();
      *h0 = pos + kReachBias;
      out_[0] = static_cast<std::uint8_t>(((slot >> 4) & 0xF0u) | (len - kMinItem));
      out_[1] = static_cast<std::uint8_t>(slot);
      out_ += 2;
      ctrl_ |= 1u << items_;
      pos_ += len;
    } else {
      *out_++ = src_[pos];
      *h2_ = pos - 2 + kReachBias;
      h2_ = h1_;
      h1_ = h0;
      pos_ += 1;
    }
    ++items_;
  }

  void closeGroup() {
    storeControl(ctrlAt_, ctrl_);
    ctrlAt_ = out_;
    out_ += 2;
    ctrl_ = 0;
    items_ = 0;
  }

  // The slot just past the table takes the updates of "no literal": the
  // 16-byte allowance leaves room for it after rounding.
  std::uint64_t* spare() const { return table_ + kSlots; }

  std::uint64_t* table_;
  const std::uint8_t* src_;
  std::uint64_t n_;
  std::uint64_t pos_ = 0;
  std::uint8_t* body_;
  std::uint8_t* out_;
  std::uint8_t* ctrlAt_;
  std::uint32_t ctrl_ = 0;
  unsigned items_ = 0;
  std::uint64_t* h1_ = spare();
  std::uint64_t* h2_ = spare();
};
static_assert((kSlots + 1) * 8 + 7 <= kLzrw3WorkMemory);

void compress_compress(std::uint8_t* p_wrk_mem, const std::uint8_t* p_src_first, std::uint64_t src_len,
                       std::uint8_t* p_dst_first, std::uint64_t* p_dst_len) {
  std::memset(p_dst_first, 0, kHeaderBytes);
  p_dst_first[0] = kFlagCoded;
  Coder coder(slotTable(p_wrk_mem), p_src_first, src_len, p_dst_first + kHeaderBytes);
  while (coder.position() < src_len) {
    if (coder.written() >= src_len + kHeaderBytes) {
      p_dst_first[0] = kFlagCopied;
      std::memcpy(p_dst_first + kHeaderBytes, p_src_first, src_len);
      *p_dst_len = src_len + kHeaderBytes;
      return;
    }
    if (src_len - coder.position() >= kGroupInput) {
      coder.codeGroup();
    } else {
      coder.codeOne();
    }
  }
  *p_dst_len = kHeaderBytes + coder.finish();
}

class Decoder {
 public:
  Decoder(std::uint64_t* table, const std::uint8_t* src, std::uint64_t len, std::uint8_t* dst,
          std::uint64_t capacity)
      : table_(table), src_(src), len_(len), dst_(dst), cap_(capacity) {
    std::fill_n(table_, kSlots, 0);
  }

  Lzrw3Status run() {
    while (in_ != len_) {
      if (len_ - in_ >= kGroupStreamRoom && cap_ - out_ >= kGroupOutputRoom) {
        decodeGroup();
        continue;
      }
      if (len_ - in_ < 2) return Lzrw3Status::Truncated;
      std::uint32_t ctrl = readControl();
      for (unsigned k = 0; k < kGroupItems && in_ != len_; ++k, ctrl >>= 1) {
        if ((ctrl & 1u) == 0) {
          if (out_ == cap_) return Lzrw3Status::Overflow;
          literal();
        } else {
          if (len_ - in_ < 2) return Lzrw3Status::Truncated;
          if (cap_ - out_ < kMinItem + (src_[in_] & 0x0Fu)) return Lzrw3Status::Overflow;
          copy<false>();
        }
      }
    }
    return Lzrw3Status::Ok;
  }
  [[nodiscard]] std::uint64_t produced() const { return out_; }

 private:
  std::uint32_t readControl() {
    const std::uint32_t ctrl = loadLE<std::uint16_t>(src_ + in_);
    in_ += 2;
    return ctrl;
  }

  // A whole group's bytes, and its widest pieces, fit the stream and the
  // output: no tests per item (see kGroupStreamRoom, kGroupOutputRoom).
  void decodeGroup() {
    std::uint32_t ctrl = readControl() | (1u << kGroupItems);  // marker after the last item
    for (;;) {
      const unsigned literals = static_cast<unsigned>(std::countr_zero(ctrl));
      if (literals > 0) {
        literalRun(literals);
        ctrl >>= literals;
      }
      if (ctrl == 1) return;
      copy<true>();
      ctrl >>= 1;
      if (ctrl == 1) return;
    }
  }

  // Literals in a row: every pending one with two bytes after it gets its slot,
  // oldest first, exactly as one literal at a time would.
  void literalRun(unsigned count) {
    std::memcpy(dst_ + out_, src_ + in_, kWideRead);
    in_ += count;
    const std::uint64_t first = out_ - pending_;
    out_ += count;
    for (std::uint64_t p = first; p + 3 <= out_; ++p) table_[hash3(dst_ + p)] = p + 1;
    pending_ = static_cast<unsigned>(std::min<std::uint64_t>(2, out_ - first));
  }

  void literal() {
    dst_[out_] = src_[in_++];
    if (++pending_ == 3) {
      const std::uint64_t first = out_ - 2;
      table_[hash3(dst_ + first)] = first + 1;
      pending_ = 2;
    }
    ++out_;
  }

  // Copies len bytes from distance back as a byte-wise copy would, in 8-byte
  // pieces that may run past len (16 bytes, or kWideWrite past 16): once the
  // distance is 8 or more, straight; below that, the first 8 bytes one by
  // one, then pieces from a multiple of the distance that is 8 or more (the
  // pattern repeats there).
  static void wideCopy(std::uint8_t* to, std::uint64_t distance, std::uint64_t len) {
    const std::uint8_t* from = to - distance;
    if (distance >= 8) {
      std::memcpy(to, from, 8);
      std::memcpy(to + 8, from + 8, 8);
      if (len > 16) std::memcpy(to + 16, from + 16, 8);
      return;
    }
    static constexpr std::uint8_t kRepeatAt[8] = {0, 8, 8, 9, 8, 10, 12, 14};
    for (int k = 0; k < 8; ++k) to[k] = from[k];
    const std::uint8_t* pattern = to + 8 - kRepeatAt[distance];
    std::memcpy(to + 8, pattern, 8);
    if (len > 16) std::memcpy(to + 16, pattern + 8, 8);
  }

  template <bool kWide>
  void copy() {
    const std::uint32_t b0 = src_[in_];
    const std::uint32_t slot = ((b0 & 0xF0u) << 4) | src_[in_ + 1];
    const std::uint64_t len = kMinItem + (b0 & 0x0Fu);
    in_ += 2;
    std::uint8_t* to = dst_ + out_;
    const std::uint64_t seen = table_[slot];
    if (seen == 0) {
      std::memcpy(to, kUnsetSlotText, kWide ? kWideWrite : len);
    } else if constexpr (kWide) {
      wideCopy(to, out_ - (seen - 1), len);
    } else {
      const std::uint8_t* from = dst_ + (seen - 1);
      if (out_ - (seen - 1) >= len) {
        std::memcpy(to, from, len);
      } else {
        for (std::uint64_t k = 0; k < len; ++k) to[k] = from[k];  // overlapping: repeats the pattern
      }
    }
    const std::uint64_t start = out_;
    out_ += len;
    if (pending_ > 0) {
      const std::uint64_t first = start - pending_;
      table_[hash3(dst_ + first)] = first + 1;
      if (pending_ == 2) table_[hash3(dst_ + first + 1)] = first + 2;
      pending_ = 0;
    }
    table_[slot] = start + 1;
  }

  std::uint64_t* table_;
  const std::uint8_t* src_;
  std::uint64_t len_;
  std::uint64_t in_ = kHeaderBytes;
  std::uint8_t* dst_;
  std::uint64_t cap_;
  std::uint64_t out_ = 0;
  unsigned pending_ = 0;
};

}  // namespace

Lzrw3Status lzrw3Decompress(std::uint8_t* wrk_mem, const std::uint8_t* src, std::uint64_t src_len, std::uint8_t* dst,
                            std::uint64_t capacity, std::uint64_t& produced) {
  produced = 0;
  if (src_len < kHeaderBytes) return Lzrw3Status::TooShort;
  if (src[0] == kFlagCopied) {
    const std::uint64_t n = src_len - kHeaderBytes;
    if (n > capacity) return Lzrw3Status::Overflow;
    if (n > 0) std::memcpy(dst, src + kHeaderBytes, n);
    produced = n;
    return Lzrw3Status::Ok;
  }
  if (src[0] != kFlagCoded) return Lzrw3Status::BadFlag;
  Decoder decoder(slotTable(wrk_mem), src, src_len, dst, capacity);
  const Lzrw3Status status = decoder.run();
  produced = decoder.produced();
  return status;
}

void compress(std::uint16_t action, std::uint8_t* wrk_mem, const std::uint8_t* src_adr, std::uint64_t src_len,
              std::uint8_t* dst_adr, std::uint64_t* p_dst_len) {
  if (p_dst_len == nullptr) return;
  switch (action) {
    case COMPRESS_ACTION_IDENTITY:
      *p_dst_len = reinterpret_cast<std::uintptr_t>(&kIdentity);
      break;
    case COMPRESS_ACTION_COMPRESS:
      compress_compress(wrk_mem, src_adr, src_len, dst_adr, p_dst_len);
      break;
    case COMPRESS_ACTION_DECOMPRESS: {
      std::uint64_t produced = 0;
      (void)lzrw3Decompress(wrk_mem, src_adr, src_len, dst_adr, lzrw3MaxOutput(src_len), produced);
      *p_dst_len = produced;
      break;
    }
    default:
      break;
  }
}
