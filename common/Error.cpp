#include "common/Error.h"

#include "common/ComPtr.h"
#include "common/Ole.h"
#include "common/Text.h"

namespace vesko {

AppError::AppError(std::wstring message) : message_(std::move(message)) {
    const int size = static_cast<int>(message_.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, message_.data(), size, nullptr, 0, nullptr, nullptr);
    utf8_.resize(static_cast<size_t>(bytes));
    WideCharToMultiByte(CP_UTF8, 0, message_.data(), size, utf8_.data(), bytes, nullptr, nullptr);
}

std::wstring SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (n && buffer) text.assign(buffer, n);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return text;
}

std::wstring WindowCreationMessage(DWORD code) {
    const std::wstring text = code == ERROR_SUCCESS ? std::wstring() : SystemMessage(code);
    return text.empty() ? std::wstring(L"ウィンドウを作成できません") : text;
}

static std::wstring ErrorInfoDescription(IUnknown* object, REFIID iid) {
    if (!object) return {};
    ComPtr<ISupportErrorInfo> support;
    if (FAILED(object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support))) ||
        support->InterfaceSupportsErrorInfo(iid) != S_OK)
        return {};
    ComPtr<IErrorInfo> info;
    if (ole::GetErrorInfo(0, &info) != S_OK || !info) return {};
    ole::UniqueBstr description;
    if (FAILED(info->GetDescription(&description))) return {};
    std::wstring text = description.Text();
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    return text;
}

std::wstring OleErrorMessage(HRESULT hr, IUnknown* object, REFIID iid) {
    std::wstring text = ErrorInfoDescription(object, iid);
    if (text.empty()) text = SystemMessage(static_cast<DWORD>(hr));
    if (text.empty()) text = Format(L"OLE エラー %.8x", static_cast<unsigned>(hr));
    return text;
}

void OleCheck(HRESULT hr, IUnknown* object, REFIID iid) {
    if (FAILED(hr)) throw AppError(OleErrorMessage(hr, object, iid));
}

std::wstring WithClosingPeriod(std::wstring message) {
    if (!message.empty() && message.back() > L'.') message += L'.';
    return message;
}

std::wstring CurrentExceptionMessage() {
    try {
        throw;
    } catch (const AppError& e) {
        return e.Message();
    } catch (const std::bad_alloc&) {
        return SystemMessage(ERROR_NOT_ENOUGH_MEMORY);
    } catch (const std::exception& e) {
        return FromAnsi(e.what());
    } catch (...) {
        return SystemMessage(static_cast<DWORD>(E_UNEXPECTED));
    }
}

}  // namespace vesko
