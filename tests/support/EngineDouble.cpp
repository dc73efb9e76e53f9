#include "tests/support/EngineDouble.h"

#include <exdispid.h>
#include <oleauto.h>
#include <olectl.h>

#include <algorithm>
#include <stdexcept>

#include "browser/EngineControl.h"
#include "common/ComObject.h"
#include "common/Window.h"

namespace vesko::test {
namespace {
constexpr wchar_t kViewClass[] = L"VeskoEngineDoubleView";

void RegisterViewClass() { Window::RegisterClassOnce(kViewClass, COLOR_WINDOW, 0, 0, &DefWindowProcW); }
}  // namespace

// The page's document, as far as its command target goes.
class DocumentDouble final : public ComObject<DocumentDouble, IDispatch, IOleCommandTarget> {
public:
    DocumentDouble(DWORD status, std::shared_ptr<EngineRecord> record, HRESULT result)
        : status_(status), record_(std::move(record)), result_(result) {}
    static const auto& Interfaces() {
        static const ComInterface<DocumentDouble> table[] = {
            Entry<DocumentDouble, IDispatch>(IID_IDispatch),
            Entry<DocumentDouble, IOleCommandTarget>(IID_IOleCommandTarget),
        };
        return table;
    }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP QueryStatus(const GUID*, ULONG count, OLECMD* commands, OLECMDTEXT*) override {
        for (ULONG i = 0; i < count; ++i) commands[i].cmdf = status_;
        return S_OK;
    }
    STDMETHODIMP Exec(const GUID*, DWORD id, DWORD, VARIANT*, VARIANT*) override {
        record_->documentCommands.push_back(id);
        return result_;
    }

private:
    DWORD status_;
    std::shared_ptr<EngineRecord> record_;
    HRESULT result_;
};

class EngineDouble final : public ComObject<EngineDouble, IOleObject, IOleInPlaceObject, IOleInPlaceActiveObject,
                                            IWebBrowser2, IConnectionPointContainer, ISupportErrorInfo> {
public:
    EngineDouble(EngineDoubles& owner, const CLSID& clsid) : owner_(owner) {
        record_ = owner.NewRecord(clsid, this);
        point_.outer = this;
    }

    IDispatch* Sink() const { return point_.sink.Get(); }

    static const auto& Interfaces() {
        static const ComInterface<EngineDouble> table[] = {
            Entry<EngineDouble, IOleObject>(IID_IOleObject),
            Entry<EngineDouble, IOleWindow, IOleInPlaceObject>(IID_IOleWindow),
            Entry<EngineDouble, IOleInPlaceObject>(IID_IOleInPlaceObject),
            Entry<EngineDouble, IOleInPlaceActiveObject>(IID_IOleInPlaceActiveObject),
            Entry<EngineDouble, IDispatch, IWebBrowser2>(IID_IDispatch),
            Entry<EngineDouble, IWebBrowser, IWebBrowser2>(IID_IWebBrowser),
            Entry<EngineDouble, IWebBrowserApp, IWebBrowser2>(IID_IWebBrowserApp),
            Entry<EngineDouble, IWebBrowser2>(IID_IWebBrowser2),
            Entry<EngineDouble, IConnectionPointContainer>(IID_IConnectionPointContainer),
            Entry<EngineDouble, ISupportErrorInfo>(IID_ISupportErrorInfo),
        };
        return table;
    }

    void FinalRelease() {
        record_->alive = false;
        owner_.Forget(this);
        if (record_->view) DestroyWindow(record_->view);
        delete this;
    }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override {
        record_->calls.push_back(site ? L"SetClientSite" : L"SetClientSite(null)");
        site_ = ComPtr<IOleClientSite>(site);
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite** out) override {
        if (!out) return E_POINTER;
        *out = ComPtr<IOleClientSite>(site_).Detach();
        return S_OK;
    }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD) override {
        record_->calls.push_back(L"Close");
        return S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT pos) override {
        record_->calls.push_back(L"DoVerb");
        if (verb != OLEIVERB_INPLACEACTIVATE || !site) return E_NOTIMPL;
        ComPtr<IOleInPlaceSite> inPlace;
        if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace)))) return E_FAIL;
        HWND host = nullptr;
        inPlace->GetWindow(&host);
        ComPtr<IOleInPlaceFrame> frame;
        ComPtr<IOleInPlaceUIWindow> doc;
        RECT position{}, clip{};
        OLEINPLACEFRAMEINFO info{sizeof info, FALSE, nullptr, nullptr, 0};
        const HRESULT hr = inPlace->GetWindowContext(&frame, &doc, &position, &clip, &info);
        if (SUCCEEDED(hr) && inPlace->CanInPlaceActivate() == S_OK) {
            inPlace->OnInPlaceActivate();
            record_->host = host ? host : parent;
            RegisterViewClass();
            const RECT r = pos ? *pos : position;
            record_->bounds = r;
            record_->view =
                CreateWindowExW(0, kViewClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, record_->host, nullptr, GetModuleHandleW(nullptr), nullptr);
            if (owner_.announce_ && frame) frame->SetActiveObject(this, L"double");
        }
        return hr;
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* out) override {
        if (!out) return E_POINTER;
        *out = record_->clsid;
        return S_OK;
    }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtent(DWORD, SIZEL* size) override {
        if (size) record_->extent = *size;
        return S_OK;
    }
    STDMETHODIMP GetExtent(DWORD, SIZEL* size) override {
        if (!size) return E_POINTER;
        *size = record_->extent;
        return S_OK;
    }
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override {
        if (status) *status = 0;
        return S_OK;
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* out) override {
        if (!out) return E_POINTER;
        *out = record_->view;
        return record_->view ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceObject
    STDMETHODIMP InPlaceDeactivate() override {
        record_->calls.push_back(L"InPlaceDeactivate");
        if (record_->view) DestroyWindow(record_->view);
        record_->view = nullptr;
        return S_OK;
    }
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT) override {
        if (!pos) return E_POINTER;
        record_->bounds = *pos;
        if (record_->view)
            MoveWindow(record_->view, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
        return S_OK;
    }
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

    // IOleInPlaceActiveObject
    STDMETHODIMP TranslateAccelerator(LPMSG msg) override {
        if (!msg) return E_POINTER;
        record_->keysOffered.push_back(msg->wParam);
        const auto& consumed = owner_.consumedKeys_;
        const bool eat =
            msg->message == WM_KEYDOWN && std::find(consumed.begin(), consumed.end(), msg->wParam) != consumed.end();
        return eat ? S_OK : S_FALSE;
    }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IWebBrowser2: the calls the program makes
    STDMETHODIMP GoBack() override { return Call(L"GoBack"); }
    STDMETHODIMP GoForward() override { return Call(L"GoForward"); }
    STDMETHODIMP Refresh() override { return Call(L"Refresh"); }
    STDMETHODIMP Stop() override { return Call(L"Stop"); }
    STDMETHODIMP Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* postData, VARIANT* headers) override {
        record_->navigated.emplace_back(url ? url : L"", url ? SysStringLen(url) : 0);
        for (VARIANT* v : {flags, target, postData, headers})
            if (!v || v->vt != VT_ERROR || v->scode != DISP_E_PARAMNOTFOUND) record_->navigateExtrasMissing = false;
        return Call(L"Navigate");
    }
    STDMETHODIMP get_LocationURL(BSTR* url) override {
        if (!url) return E_POINTER;
        *url = SysAllocStringLen(record_->locationURL.data(), static_cast<UINT>(record_->locationURL.size()));
        return S_OK;
    }
    STDMETHODIMP GoHome() override { return E_NOTIMPL; }
    STDMETHODIMP GoSearch() override { return E_NOTIMPL; }
    STDMETHODIMP Refresh2(VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Application(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP get_Parent(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP get_Container(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP get_Document(IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!owner_.documentStatus_) return E_NOTIMPL;
        *out = new DocumentDouble(owner_.documentStatus_, record_, owner_.callFailure_);
        return S_OK;
    }
    STDMETHODIMP get_TopLevelContainer(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Type(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Left(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Left(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_Top(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Top(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_Width(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Width(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_Height(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Height(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_LocationName(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Busy(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP Quit() override { return E_NOTIMPL; }
    STDMETHODIMP ClientToWindow(int*, int*) override { return E_NOTIMPL; }
    STDMETHODIMP PutProperty(BSTR, VARIANT) override { return E_NOTIMPL; }
    STDMETHODIMP GetProperty(BSTR, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Name(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_HWND(SHANDLE_PTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_FullName(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Path(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Visible(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Visible(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_StatusBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_StatusBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_StatusText(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP put_StatusText(BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP get_ToolBar(int*) override { return E_NOTIMPL; }
    STDMETHODIMP put_ToolBar(int) override { return E_NOTIMPL; }
    STDMETHODIMP get_MenuBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_MenuBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_FullScreen(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_FullScreen(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP Navigate2(VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryStatusWB(OLECMDID command, OLECMDF* flags) override {
        if (!flags) return E_POINTER;
        const auto it = owner_.commandStatusOf_.find(command);
        *flags = static_cast<OLECMDF>(it != owner_.commandStatusOf_.end() ? it->second : owner_.commandStatus_);
        return S_OK;
    }
    STDMETHODIMP ExecWB(OLECMDID command, OLECMDEXECOPT option, VARIANT* in, VARIANT*) override {
        record_->executed.emplace_back(command, option);
        if (in && in->vt == VT_I4) record_->executedNumbers.push_back(in->lVal);
        return Call(L"ExecWB");
    }
    STDMETHODIMP ShowBrowserBar(VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP get_ReadyState(READYSTATE*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Offline(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Offline(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_Silent(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Silent(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_RegisterAsBrowser(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_RegisterAsBrowser(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_RegisterAsDropTarget(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_RegisterAsDropTarget(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_TheaterMode(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_TheaterMode(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_AddressBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_AddressBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP get_Resizable(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Resizable(VARIANT_BOOL) override { return E_NOTIMPL; }

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
        *out = &point_;
        AddRef();
        return S_OK;
    }

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override { return iid == IID_IWebBrowser2 ? S_OK : S_FALSE; }

private:
    HRESULT Call(const wchar_t* name) {
        record_->calls.push_back(name);
        if (owner_.callFailure_ == S_OK) return S_OK;
        ComPtr<ICreateErrorInfo> create;
        if (!owner_.callFailureText_.empty() && SUCCEEDED(CreateErrorInfo(&create))) {
            create->SetDescription(const_cast<LPOLESTR>(owner_.callFailureText_.c_str()));
            create->SetGUID(IID_IWebBrowser2);
            ComPtr<IErrorInfo> info;
            if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info))))
                SetErrorInfo(0, info.Get());
        } else {
            SetErrorInfo(0, nullptr);
        }
        return owner_.callFailure_;
    }

    EngineDoubles& owner_;
    std::shared_ptr<EngineRecord> record_;
    ComPtr<IOleClientSite> site_;

    // The DWebBrowserEvents2 connection point, sharing the engine's count.
    struct Point final : IConnectionPoint {
        EngineDouble* outer = nullptr;
        ComPtr<IDispatch> sink;
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
            static const ComInterface<Point> table[] = {Entry<Point, IConnectionPoint>(IID_IConnectionPoint)};
            return QueryFromTable(this, table, iid, out);
        }
        STDMETHODIMP_(ULONG) AddRef() override { return outer->AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return outer->Release(); }
        STDMETHODIMP GetConnectionInterface(IID* iid) override {
            if (!iid) return E_POINTER;
            *iid = DIID_DWebBrowserEvents2;
            return S_OK;
        }
        STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override {
            if (!out) return E_POINTER;
            *out = outer;
            AddRef();
            return S_OK;
        }
        STDMETHODIMP Advise(IUnknown* unknown, DWORD* cookie) override {
            if (!unknown || !cookie) return E_POINTER;
            if (sink) return CONNECT_E_ADVISELIMIT;
            if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink))))
                return CONNECT_E_CANNOTCONNECT;
            outer->record_->advised = true;
            *cookie = 1;
            return S_OK;
        }
        STDMETHODIMP Unadvise(DWORD cookie) override {
            if (cookie != 1 || !sink) return CONNECT_E_NOCONNECTION;
            outer->record_->calls.push_back(L"Unadvise");
            sink.Reset();
            outer->record_->advised = false;
            return S_OK;
        }
        STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }
    } point_;
};

class EngineFactory final : public ComObject<EngineFactory, IClassFactory> {
public:
    EngineFactory(EngineDoubles& owner, const CLSID& clsid) : owner_(owner), clsid_(clsid) {}
    static const auto& Interfaces() {
        static const ComInterface<EngineFactory> table[] = {Entry<EngineFactory, IClassFactory>(IID_IClassFactory)};
        return table;
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        const HRESULT failure = owner_.CreateFailure(clsid_);
        if (FAILED(failure)) return failure;
        auto* engine = new EngineDouble(owner_, clsid_);
        const HRESULT hr = engine->QueryInterface(iid, out);
        engine->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    EngineDoubles& owner_;
    CLSID clsid_;
};

EngineDoubles::EngineDoubles() {
    for (const CLSID* clsid : {&CLSID_WebBrowser, &CLSID_MozillaBrowser}) {
        ComPtr<IClassFactory> factory(new EngineFactory(*this, *clsid), false);
        DWORD cookie = 0;
        const HRESULT hr = CoRegisterClassObject(*clsid, factory.Get(), CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                                 REGCLS_MULTIPLEUSE, &cookie);
        if (FAILED(hr)) throw std::runtime_error("CoRegisterClassObject failed");
        factories_.push_back(std::move(factory));
        cookies_.push_back(cookie);
    }
}

EngineDoubles::~EngineDoubles() {
    for (DWORD cookie : cookies_) CoRevokeClassObject(cookie);
}

size_t EngineDoubles::LiveCount() const {
    return static_cast<size_t>(
        std::count_if(engines_.begin(), engines_.end(), [](EngineDouble* e) { return e != nullptr; }));
}

std::wstring EngineDoubles::ClsidKey(const CLSID& clsid) {
    wchar_t text[40] = {};
    StringFromGUID2(clsid, text, 40);
    return text;
}

HRESULT EngineDoubles::CreateFailure(const CLSID& clsid) const {
    const auto it = createFailure_.find(ClsidKey(clsid));
    return it == createFailure_.end() ? S_OK : it->second;
}

std::shared_ptr<EngineRecord> EngineDoubles::NewRecord(const CLSID& clsid, EngineDouble* engine) {
    auto record = std::make_shared<EngineRecord>();
    record->clsid = clsid;
    records_.push_back(record);
    engines_.push_back(engine);
    return record;
}

void EngineDoubles::Forget(EngineDouble* engine) {
    std::replace(engines_.begin(), engines_.end(), engine, static_cast<EngineDouble*>(nullptr));
}

EngineDouble* EngineDoubles::Engine(size_t index) { return engines_.at(index); }

void EngineDoubles::Fire(size_t index, DISPID id, std::vector<VARIANT>& argsLastFirst) {
    EngineDouble* engine = Engine(index);
    if (!engine || !engine->Sink()) throw std::logic_error("the engine has no event sink");
    // Held: a handler may close the window and so release the sink.
    const ComPtr<IDispatch> sink(engine->Sink());
    DISPPARAMS params{argsLastFirst.data(), nullptr, static_cast<UINT>(argsLastFirst.size()), 0};
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

void EngineDoubles::FireStatusTextChange(size_t index, const std::wstring& text) {
    std::vector<VARIANT> args(1);
    args[0].vt = VT_BSTR;
    args[0].bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    Fire(index, DISPID_STATUSTEXTCHANGE, args);
    VariantClear(&args[0]);
}

void EngineDoubles::FireTitleChange(size_t index, const std::wstring& text) {
    std::vector<VARIANT> args(1);
    args[0].vt = VT_BSTR;
    args[0].bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    Fire(index, DISPID_TITLECHANGE, args);
    VariantClear(&args[0]);
}

void EngineDoubles::FireProgressChange(size_t index, int progress, int progressMax) {
    std::vector<VARIANT> args(2);
    args[0].vt = VT_I4;
    args[0].lVal = progressMax;
    args[1].vt = VT_I4;
    args[1].lVal = progress;
    Fire(index, DISPID_PROGRESSCHANGE, args);
}

void EngineDoubles::FireCommandStateChange(size_t index, int command, bool enable) {
    std::vector<VARIANT> args(2);
    args[0].vt = VT_BOOL;
    args[0].boolVal = enable ? VARIANT_TRUE : VARIANT_FALSE;
    args[1].vt = VT_I4;
    args[1].lVal = command;
    Fire(index, DISPID_COMMANDSTATECHANGE, args);
}

VARIANT_BOOL EngineDoubles::FireNewWindow2(size_t index) {
    IDispatch* newWindow = nullptr;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    std::vector<VARIANT> args(2);
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = &cancel;
    args[1].vt = VT_BYREF | VT_DISPATCH;
    args[1].ppdispVal = &newWindow;
    Fire(index, DISPID_NEWWINDOW2, args);
    if (newWindow) newWindow->Release();
    return cancel;
}

namespace {
// The IDispatch an event names: the engine itself for the page, another
// object for a frame inside it.
ComPtr<IDispatch> EventSource(EngineDouble* engine, bool topLevel, std::shared_ptr<EngineRecord> record) {
    if (!topLevel) return ComPtr<IDispatch>(new DocumentDouble(0, std::move(record), S_OK), false);
    ComPtr<IDispatch> self;
    if (engine) engine->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&self));
    return self;
}
}  // namespace

VARIANT_BOOL EngineDoubles::FireBeforeNavigate2(size_t index, const std::wstring& url, bool topLevel) {
    const ComPtr<IDispatch> source = EventSource(Engine(index), topLevel, records_.at(index));
    VARIANT address;
    address.vt = VT_BSTR;
    address.bstrVal = SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
    VARIANT empty;
    VariantInit(&empty);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    // pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel.
    std::vector<VARIANT> args(7);
    for (VARIANT& arg : args) {
        arg.vt = VT_BYREF | VT_VARIANT;
        arg.pvarVal = &empty;
    }
    args[6].vt = VT_DISPATCH;
    args[6].pdispVal = source.Get();
    args[5].pvarVal = &address;
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = &cancel;
    Fire(index, DISPID_BEFORENAVIGATE2, args);
    VariantClear(&address);
    return cancel;
}

void EngineDoubles::FireDocumentComplete(size_t index, bool topLevel) {
    const ComPtr<IDispatch> source = EventSource(Engine(index), topLevel, records_.at(index));
    VARIANT empty;
    VariantInit(&empty);
    std::vector<VARIANT> args(2);
    args[1].vt = VT_DISPATCH;
    args[1].pdispVal = source.Get();
    args[0].vt = VT_BYREF | VT_VARIANT;
    args[0].pvarVal = &empty;
    Fire(index, DISPID_DOCUMENTCOMPLETE, args);
}

void EngineDoubles::FireNavigateError(size_t index, bool topLevel) {
    const ComPtr<IDispatch> source = EventSource(Engine(index), topLevel, records_.at(index));
    VARIANT empty;
    VariantInit(&empty);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    // pDisp, URL, Frame, StatusCode, Cancel.
    std::vector<VARIANT> args(5);
    for (VARIANT& arg : args) {
        arg.vt = VT_BYREF | VT_VARIANT;
        arg.pvarVal = &empty;
    }
    args[4].vt = VT_DISPATCH;
    args[4].pdispVal = source.Get();
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = &cancel;
    Fire(index, DISPID_NAVIGATEERROR, args);
}

void EngineDoubles::FireOther(size_t index, DISPID id) {
    std::vector<VARIANT> args;
    Fire(index, id, args);
}

}  // namespace vesko::test
