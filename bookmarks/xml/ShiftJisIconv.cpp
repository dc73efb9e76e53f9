#ifndef _WIN32

#include "bookmarks/xml/ShiftJis.h"

#include <cerrno>
#include <iconv.h>

namespace vesko {
namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (Ok())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts the whole input into `out`, which must be large enough.
    // Returns the number of input bytes consumed before a failure, or
    // inSize when all was converted; `written` gets the output size.
    std::size_t Run(const char* in, std::size_t inSize, char* out, std::size_t outSize,
                    std::size_t& written)
    {
        char* inPtr = const_cast<char*>(in);
        std::size_t inLeft = inSize;
        char* outPtr = out;
        std::size_t outLeft = outSize;
        std::size_t result = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
        if (result != static_cast<std::size_t>(-1))
            iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
        written = outSize - outLeft;
        return inSize - inLeft;
    }

private:
    iconv_t cd_;
};

}  // namespace

bool DecodeShiftJis(std::string_view bytes, std::u16string& out, std::size_t& errorOffset)
{
    out.clear();
    errorOffset = 0;
    Converter converter("UTF-16LE", "CP932");
    if (!converter.Ok())
        return false;
    // Every Shift_JIS character (one or two bytes) becomes one UTF-16 unit.
    std::string buffer(bytes.size() * 2, '\0');
    std::size_t written = 0;
    std::size_t consumed = converter.Run(bytes.data(), bytes.size(), buffer.data(),
                                         buffer.size(), written);
    out.reserve(written / 2);
    for (std::size_t k = 0; k + 1 < written; k += 2) {
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(buffer[k]) |
                                            (static_cast<unsigned char>(buffer[k + 1]) << 8)));
    }
    if (consumed != bytes.size()) {
        errorOffset = consumed;
        return false;
    }
    return true;
}

bool EncodeShiftJis(std::u16string_view text, std::string& out)
{
    out.clear();
    Converter converter("CP932", "UTF-16LE");
    if (!converter.Ok())
        return false;
    std::string input;
    input.reserve(text.size() * 2);
    for (char16_t unit : text) {
        input.push_back(static_cast<char>(unit & 0xFF));
        input.push_back(static_cast<char>(unit >> 8));
    }
    std::string buffer(text.size() * 2, '\0');
    std::size_t written = 0;
    std::size_t consumed = converter.Run(input.data(), input.size(), buffer.data(),
                                         buffer.size(), written);
    buffer.resize(written);
    out = std::move(buffer);
    return consumed == input.size();
}

}  // namespace vesko

#endif  // !_WIN32
