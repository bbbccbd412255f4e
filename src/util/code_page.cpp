#include "util/code_page.h"

#include <iconv.h>

#include <QString>
#include <bit>
#include <cerrno>
#include <stdexcept>

namespace vidlark {
namespace {

constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
constexpr const char* kGbk = "CP936";
constexpr char16_t kReplacement = u'\uFFFD';

// One iconv descriptor per direction and thread; iconv_t is not thread-safe.
class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {
    if (handle_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  }
  ~Converter() { iconv_close(handle_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts as much as possible. Returns the number of input bytes consumed
  // and appends output; stops at the first sequence it cannot convert.
  size_t Convert(const char* in, size_t inSize, std::string& out) {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in);
    size_t inLeft = inSize;
    char buffer[4096];
    while (inLeft > 0) {
      char* outPtr = buffer;
      size_t outLeft = sizeof buffer;
      size_t rc = iconv(handle_, &inPtr, &inLeft, &outPtr, &outLeft);
      out.append(buffer, static_cast<size_t>(outPtr - buffer));
      if (rc == static_cast<size_t>(-1) && errno != E2BIG) break;
    }
    return inSize - inLeft;
  }

 private:
  iconv_t handle_;
};

Converter& Utf16ToGbkConverter() {
  thread_local Converter converter(kGbk, kUtf16);
  return converter;
}

Converter& GbkToUtf16Converter() {
  thread_local Converter converter(kUtf16, kGbk);
  return converter;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

Text Utf16ToGbk(std::u16string_view utf16) {
  Text out;
  out.reserve(utf16.size() * 2);
  Converter& converter = Utf16ToGbkConverter();
  size_t pos = 0;
  while (pos < utf16.size()) {
    const char* in = reinterpret_cast<const char*>(utf16.data() + pos);
    size_t consumed = converter.Convert(in, (utf16.size() - pos) * 2, out) / 2;
    pos += consumed;
    if (pos >= utf16.size()) break;
    // A character code page 936 cannot hold: one "?" per UTF-16 code unit, as
    // the platform's own conversion writes it.
    size_t units = IsHighSurrogate(utf16[pos]) && pos + 1 < utf16.size() && IsLowSurrogate(utf16[pos + 1]) ? 2 : 1;
    out.append(units, '?');
    pos += units;
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    auto lead = static_cast<unsigned char>(utf8[pos]);
    if (lead < 0x80) {
      out.push_back(lead);
      ++pos;
      continue;
    }
    // The sequence length and the range its second byte must fall in.
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    }
    char32_t code = length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    size_t taken = 1;
    bool valid = length > 0;
    while (valid && static_cast<int>(taken) < length) {
      if (pos + taken >= utf8.size()) {
        valid = false;
        break;
      }
      auto next = static_cast<unsigned char>(utf8[pos + taken]);
      unsigned char min = taken == 1 ? low : 0x80;
      unsigned char max = taken == 1 ? high : 0xBF;
      if (next < min || next > max) {
        valid = false;
        break;
      }
      code = (code << 6) | (next & 0x3F);
      ++taken;
    }
    pos += taken;
    if (!valid) {
      // One replacement for the longest beginning of a well-formed sequence.
      out.push_back(kReplacement);
    } else if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
  }
  return out;
}

Text Utf8ToGbk(std::string_view utf8) { return Utf16ToGbk(Utf8ToUtf16(utf8)); }

std::u16string GbkToUtf16(std::string_view gbk) {
  std::string bytes;
  bytes.reserve(gbk.size() * 2);
  Converter& converter = GbkToUtf16Converter();
  size_t pos = 0;
  while (pos < gbk.size()) {
    pos += converter.Convert(gbk.data() + pos, gbk.size() - pos, bytes);
    if (pos >= gbk.size()) break;
    char16_t replacement = kReplacement;
    bytes.append(reinterpret_cast<const char*>(&replacement), 2);
    pos += 1;
  }
  return std::u16string(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
}

std::string GbkToUtf8(std::string_view gbk) {
  std::u16string utf16 = GbkToUtf16(gbk);
  QByteArray utf8 = QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size())).toUtf8();
  return std::string(utf8.constData(), static_cast<size_t>(utf8.size()));
}

}  // namespace vidlark
