#ifndef _WIN32

#include "bookmarks/xml/ShiftJis.h"

#include <cerrno>
#include <iconv.h>

namespace vesko {
namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (Ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts the whole input into `out`, which must be large enough.
    // Returns the number of input bytes consumed before a failure, or
    // inSize when all was converted; `written` gets the output size.
    std::size_t Run(const char* in, std::size_t inSize, char* out, std::size_t outSize, std::size_t& written) {
        char* inPtr = const_cast<char*>(in);
        std::size_t inLeft = inSize;
        char* outPtr = out;
        std::size_t outLeft = outSize;
        std::size_t result = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
        if (result != static_cast<std::size_t>(-1)) iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
        written = outSize - outLeft;
        return inSize - inLeft;
    }

private:
    iconv_t cd_;
};

}  // namespace

bool EncodeShiftJis(std::u16string_view text, std::string& out) {
    out.clear();
    Converter converter("CP932", "UTF-16LE");
    if (!converter.Ok()) return false;
    std::string input;
    input.reserve(text.size() * 2);
    for (char16_t unit : text) {
        input.push_back(static_cast<char>(unit & 0xFF));
        input.push_back(static_cast<char>(unit >> 8));
    }
    std::string buffer(text.size() * 2, '\0');
    std::size_t written = 0;
    std::size_t consumed = converter.Run(input.data(), input.size(), buffer.data(), buffer.size(), written);
    buffer.resize(written);
    out = std::move(buffer);
    return consumed == input.size();
}

}  // namespace vesko

#endif  // !_WIN32
