#include "browser/EngineControl.h"

#include <exdispid.h>

#include <initializer_list>
#include <new>
#include <utility>

#include "common/ComObject.h"
#include "common/Error.h"
#include "common/ErrorReport.h"
#include "common/Ole.h"

namespace vesko {

// {1339B54C-3453-11D2-93B9-000000000000}
const CLSID CLSID_MozillaBrowser = {0x1339B54C, 0x3453, 0x11D2, {0x93, 0xB9, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}};

namespace {
// The IE document's own command group (CGID_MSHTML) and its find command
// (IDM_FIND), which its WebBrowser control does not take through ExecWB.
const GUID kCgidMshtml = {0xDE4BA900, 0x59CA, 0x11CF, {0x95, 0x92, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr ULONG kMshtmlFind = 67;
}  // namespace

// The container side of in-place activation: one object serving the site
// interfaces with one reference count. It outlives its control only as long
// as the control holds references to it.
class OleSite final : public ComObject<OleSite, IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame> {
public:
    OleSite(HWND host, EngineControl* owner) : host_(host), owner_(owner) {}
    void Detach() { owner_ = nullptr; }

    static const auto& Interfaces() {
        static const ComInterface<OleSite> table[] = {
            Entry<OleSite, IOleClientSite>(IID_IOleClientSite),
            Entry<OleSite, IOleWindow, IOleInPlaceSite>(IID_IOleWindow),
            Entry<OleSite, IOleInPlaceSite>(IID_IOleInPlaceSite),
            Entry<OleSite, IOleInPlaceUIWindow, IOleInPlaceFrame>(IID_IOleInPlaceUIWindow),
            Entry<OleSite, IOleInPlaceFrame>(IID_IOleInPlaceFrame),
        };
        return table;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* out) override {
        if (!out) return E_POINTER;
        *out = host_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override {
        if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
        *frame = this;
        AddRef();
        *doc = nullptr;
        const RECT bounds = owner_ ? owner_->Bounds() : RECT{};
        *pos = bounds;
        *clip = bounds;
        info->fMDIApp = FALSE;
        info->hwndFrame = host_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT rect) override {
        if (!rect) return E_POINTER;
        try {
            if (owner_) owner_->SetBounds(*rect);
        } catch (...) {
            ReportCurrentException();
        }
        return S_OK;
    }

    // IOleInPlaceUIWindow
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) override {
        if (owner_) owner_->SetActiveObject(active);
        return S_OK;
    }

    // IOleInPlaceFrame
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    HWND host_;
    EngineControl* owner_;
};

namespace {

// Reads an event argument, looking through by-reference variants and
// converting to the wanted type; false when it is missing or unconvertible.
bool EventArg(const DISPPARAMS* params, UINT indexFromFirst, VARTYPE type, ole::ScopedVariant& out) {
    if (!params || indexFromFirst >= params->cArgs) return false;
    const VARIANT* arg = &params->rgvarg[params->cArgs - 1 - indexFromFirst];
    if (arg->vt == (VT_BYREF | VT_VARIANT) && arg->pvarVal) arg = arg->pvarVal;
    ole::ScopedVariant source;
    if (FAILED(ole::VariantCopyInd(source.Get(), arg))) return false;
    return SUCCEEDED(ole::VariantChangeType(out.Get(), source.Get(), 0, type));
}

std::wstring StringArg(const DISPPARAMS* params, UINT index) {
    ole::ScopedVariant v;
    if (!EventArg(params, index, VT_BSTR, v) || !v->bstrVal) return {};
    return std::wstring(v->bstrVal, ole::SysStringLen(v->bstrVal));
}

int IntArg(const DISPPARAMS* params, UINT index) {
    ole::ScopedVariant v;
    return EventArg(params, index, VT_I4, v) ? v->lVal : 0;
}

bool BoolArg(const DISPPARAMS* params, UINT index) {
    ole::ScopedVariant v;
    return EventArg(params, index, VT_BOOL, v) && v->boolVal != VARIANT_FALSE;
}

IDispatch* DispatchArg(const DISPPARAMS* params, UINT index) {
    if (!params || index >= params->cArgs) return nullptr;
    const VARIANT* arg = &params->rgvarg[params->cArgs - 1 - index];
    if (arg->vt == (VT_BYREF | VT_VARIANT) && arg->pvarVal) arg = arg->pvarVal;
    if (arg->vt == VT_DISPATCH) return arg->pdispVal;
    if (arg->vt == (VT_BYREF | VT_DISPATCH) && arg->ppdispVal) return *arg->ppdispVal;
    return nullptr;
}

void SetBoolRef(const DISPPARAMS* params, UINT index, bool value) {
    if (!params || index >= params->cArgs) return;
    VARIANT* arg = &params->rgvarg[params->cArgs - 1 - index];
    if (arg->vt == (VT_BYREF | VT_VARIANT) && arg->pvarVal) arg = arg->pvarVal;
    const VARIANT_BOOL v = value ? VARIANT_TRUE : VARIANT_FALSE;
    if (arg->vt == (VT_BYREF | VT_BOOL) && arg->pboolVal)
        *arg->pboolVal = v;
    else if (arg->vt == VT_BOOL)
        arg->boolVal = v;
}

}  // namespace

// Receives DWebBrowserEvents2 and turns the handled ones into plain calls.
class EventSink final : public ComObject<EventSink, IDispatch> {
public:
    EventSink(EngineEvents* events, EngineControl* control) : events_(events), control_(control) {}
    void Detach() { events_ = nullptr; }

    static const auto& Interfaces() {
        static const ComInterface<EventSink> table[] = {
            Entry<EventSink, IDispatch>(IID_IDispatch),
            Entry<EventSink, IDispatch>(DIID_DWebBrowserEvents2),
        };
        return table;
    }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        // Keep ourselves alive even if a handler closes the window.
        ComPtr<IDispatch> self(this);
        try {
            if (!events_) return S_OK;
            switch (id) {
            case DISPID_STATUSTEXTCHANGE:
                events_->StatusTextChange(StringArg(params, 0));
                break;
            case DISPID_PROGRESSCHANGE:
                events_->ProgressChange(IntArg(params, 0), IntArg(params, 1));
                break;
            case DISPID_COMMANDSTATECHANGE:
                events_->CommandStateChange(IntArg(params, 0), BoolArg(params, 1));
                break;
            case DISPID_TITLECHANGE:
                events_->TitleChange(StringArg(params, 0));
                break;
            case DISPID_NEWWINDOW2:
                SetBoolRef(params, 1, events_->NewWindow2());
                break;
            case DISPID_BEFORENAVIGATE2:
                if (events_->BeforeNavigate2(StringArg(params, 1), control_->IsSelf(DispatchArg(params, 0))))
                    SetBoolRef(params, 6, true);
                break;
            case DISPID_DOCUMENTCOMPLETE:
                events_->DocumentComplete(control_->IsSelf(DispatchArg(params, 0)));
                break;
            case DISPID_NAVIGATEERROR:
                events_->NavigateError(control_->IsSelf(DispatchArg(params, 0)));
                break;
            default:
                break;
            }
        } catch (...) {
            ReportCurrentException();
        }
        return S_OK;
    }

private:
    EngineEvents* events_;
    EngineControl* control_;
};

EngineControl::EngineControl(const CLSID& clsid, SIZE designExtent) : clsid_(clsid), designExtent_(designExtent) {}

EngineControl::~EngineControl() { Destroy(); }

void EngineControl::Create(HWND host, EngineEvents* events) {
    host_ = host;
    ole::Require();
    HRESULT hr = ole::CoCreateInstance(clsid_, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IOleObject,
                                       reinterpret_cast<void**>(&object_));
    if (FAILED(hr)) throw AppError(OleErrorMessage(hr, nullptr, IID_IOleObject));

    try {
        site_ = ComPtr<OleSite>(new OleSite(host, this), false);
        OleCheck(object_->SetClientSite(site_.Get()), object_.Get(), IID_IOleObject);
        object_->SetExtent(DVASPECT_CONTENT, &designExtent_);

        ComPtr<IConnectionPointContainer> container;
        if (SUCCEEDED(object_.As(container)) &&
            SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &connectionPoint_))) {
            sink_ = ComPtr<EventSink>(new EventSink(events, this), false);
            hr = connectionPoint_->Advise(sink_.Get(), &adviseCookie_);
            if (FAILED(hr)) {
                adviseCookie_ = 0;
                throw AppError(OleErrorMessage(hr, nullptr, IID_IConnectionPoint));
            }
        }

        GetClientRect(host, &bounds_);
        OleCheck(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, host, &bounds_), object_.Get(),
                 IID_IOleObject);
        // Some controls never announce their active object; ask directly.
        if (!activeObject_) object_.As(activeObject_);
    } catch (...) {
        Destroy();
        throw;
    }
}

void EngineControl::Destroy() {
    // Order matters: stop events first, then take the control down while
    // it still has its site, and only then cut the site off.
    if (connectionPoint_ && adviseCookie_) connectionPoint_->Unadvise(adviseCookie_);
    adviseCookie_ = 0;
    connectionPoint_.Reset();
    if (sink_) sink_->Detach();
    sink_.Reset();
    activeObject_.Reset();
    browser_.Reset();
    if (object_) {
        ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(object_.As(inPlace))) inPlace->InPlaceDeactivate();
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
        object_.Reset();
    }
    if (site_) site_->Detach();
    site_.Reset();
}

void EngineControl::SetBounds(const RECT& bounds) {
    bounds_ = bounds;
    if (!object_) return;
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(object_.As(inPlace))) inPlace->SetObjectRects(&bounds_, &bounds_);
}

void EngineControl::SetActiveObject(IOleInPlaceActiveObject* active) {
    activeObject_ = ComPtr<IOleInPlaceActiveObject>(active);
}

IWebBrowser2& EngineControl::Browser() {
    if (!browser_) {
        if (!object_) throw AppError(OleErrorMessage(E_UNEXPECTED, nullptr, IID_IWebBrowser2));
        const HRESULT hr = object_.As(browser_);
        if (FAILED(hr)) throw AppError(OleErrorMessage(hr, nullptr, IID_IWebBrowser2));
    }
    return *browser_.Get();
}

void EngineControl::Navigate(const std::wstring& url) {
    IWebBrowser2& browser = Browser();
    // The optional arguments, all left out.
    ole::ScopedVariant flags, target, postData, headers;
    for (VARIANT* missing : {flags.Get(), target.Get(), postData.Get(), headers.Get()}) {
        missing->vt = VT_ERROR;
        missing->scode = DISP_E_PARAMNOTFOUND;
    }
    const ole::UniqueBstr address(ole::SysAllocStringLen(url.data(), static_cast<UINT>(url.size())));
    if (!address) throw std::bad_alloc();
    OleCheck(browser.Navigate(address.Get(), flags.Get(), target.Get(), postData.Get(), headers.Get()), &browser,
             IID_IWebBrowser2);
}

void EngineControl::GoBack() {
    IWebBrowser2& browser = Browser();
    OleCheck(browser.GoBack(), &browser, IID_IWebBrowser2);
}

void EngineControl::GoForward() {
    IWebBrowser2& browser = Browser();
    OleCheck(browser.GoForward(), &browser, IID_IWebBrowser2);
}

void EngineControl::Stop() {
    IWebBrowser2& browser = Browser();
    OleCheck(browser.Stop(), &browser, IID_IWebBrowser2);
}

void EngineControl::Refresh() {
    IWebBrowser2& browser = Browser();
    OleCheck(browser.Refresh(), &browser, IID_IWebBrowser2);
}

std::wstring EngineControl::LocationURL() {
    IWebBrowser2& browser = Browser();
    ole::UniqueBstr url;
    OleCheck(browser.get_LocationURL(&url), &browser, IID_IWebBrowser2);
    return url.Text();
}

DWORD EngineControl::QueryStatusWB(OLECMDID command) {
    if (!object_) return 0;
    OLECMDF flags = static_cast<OLECMDF>(0);
    return SUCCEEDED(Browser().QueryStatusWB(command, &flags)) ? static_cast<DWORD>(flags) : 0;
}

bool EngineControl::ExecWB(OLECMDID command, OLECMDEXECOPT option) { return Exec(command, option, nullptr); }

bool EngineControl::ExecWB(OLECMDID command, OLECMDEXECOPT option, int value) {
    VARIANT in{};
    in.vt = VT_I4;
    in.lVal = value;
    return Exec(command, option, &in);
}

bool EngineControl::Exec(OLECMDID command, OLECMDEXECOPT option, VARIANT* in) {
    IWebBrowser2& browser = Browser();
    const HRESULT hr = browser.ExecWB(command, option, in, nullptr);
    if (hr == OLECMDERR_E_CANCELED || hr == HRESULT_FROM_WIN32(ERROR_CANCELLED)) return false;
    OleCheck(hr, &browser, IID_IWebBrowser2);
    return true;
}

ComPtr<IOleCommandTarget> EngineControl::DocumentCommands() {
    ComPtr<IOleCommandTarget> target;
    ComPtr<IDispatch> document;
    if (object_ && SUCCEEDED(Browser().get_Document(&document)) && document) document.As(target);
    return target;
}

bool EngineControl::IsSelf(IDispatch* dispatch) {
    // COM identity: the same object answers IUnknown with the same pointer.
    if (!dispatch || !object_) return false;
    ComPtr<IUnknown> theirs;
    ComPtr<IUnknown> ours;
    if (FAILED(dispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&theirs))) ||
        FAILED(object_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ours))))
        return false;
    return theirs.Get() == ours.Get();
}

bool EngineControl::CanFind() {
    if (QueryStatusWB(OLECMDID_FIND) & OLECMDF_ENABLED) return true;
    const ComPtr<IOleCommandTarget> target = DocumentCommands();
    OLECMD command{kMshtmlFind, 0};
    return target && SUCCEEDED(target->QueryStatus(&kCgidMshtml, 1, &command, nullptr)) &&
           (command.cmdf & OLECMDF_ENABLED);
}

void EngineControl::Find() {
    if (QueryStatusWB(OLECMDID_FIND) & OLECMDF_ENABLED) {
        ExecWB(OLECMDID_FIND, OLECMDEXECOPT_PROMPTUSER);
        return;
    }
    const ComPtr<IOleCommandTarget> target = DocumentCommands();
    if (!target) throw AppError(OleErrorMessage(OLECMDERR_E_NOTSUPPORTED, nullptr, IID_IOleCommandTarget));
    const HRESULT hr = target->Exec(&kCgidMshtml, kMshtmlFind, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr);
    if (hr == OLECMDERR_E_CANCELED || hr == HRESULT_FROM_WIN32(ERROR_CANCELLED)) return;
    OleCheck(hr, target.Get(), IID_IOleCommandTarget);
}

bool EngineControl::TranslateAccelerator(MSG& msg) {
    if (!activeObject_) return false;
    // Hold a reference: the control may close its window from here.
    ComPtr<IOleInPlaceActiveObject> active = activeObject_;
    return active->TranslateAccelerator(&msg) == S_OK;
}

TWebBrowser::TWebBrowser() : EngineControl(CLSID_WebBrowser, SIZE{9551, 6376}) {}

TMozillaBrowser::TMozillaBrowser() : EngineControl(CLSID_MozillaBrowser, SIZE{8705, 5953}) {}

}  // namespace vesko
