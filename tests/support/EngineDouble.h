#pragma once
// A stand-in for the two browser engines: a COM object serving IOleObject,
// the in-place interfaces, IWebBrowser2 and the DWebBrowserEvents2
// connection point, registered under the engines' class ids for the
// lifetime of an EngineDoubles object. Tests fire events with chosen
// arguments and read back every call the program made.
#include <windows.h>
#include <exdisp.h>
#include <ole2.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/ComPtr.h"

namespace vesko::test {

// What one engine instance saw. Outlives the COM object.
struct EngineRecord {
    CLSID clsid{};
    std::vector<std::wstring> calls;  // method names, in order
    std::vector<std::wstring> navigated;
    bool navigateExtrasMissing = true;  // every optional argument DISP_E_PARAMNOTFOUND
    std::wstring locationURL;
    HWND host = nullptr;
    HWND view = nullptr;
    RECT bounds{};
    SIZE extent{};
    std::vector<WPARAM> keysOffered;
    std::vector<std::pair<OLECMDID, OLECMDEXECOPT>> executed;  // ExecWB's command and option
    std::vector<long> executedNumbers;                          // the numbers given with them
    std::vector<ULONG> documentCommands;                       // run through the document's command target
    bool advised = false;
    bool alive = true;
};

class EngineDouble;
class EngineFactory;

class EngineDoubles {
public:
    EngineDoubles();  // registers both class ids
    ~EngineDoubles();
    EngineDoubles(const EngineDoubles&) = delete;
    EngineDoubles& operator=(const EngineDoubles&) = delete;

    // Creation fails with this result for the class id (S_OK: succeeds).
    void FailCreation(const CLSID& clsid, HRESULT hr) { createFailure_[ClsidKey(clsid)] = hr; }
    // Every browser call of engines created from now on fails with `hr`,
    // with `description` as error info when it is not empty.
    void FailCalls(HRESULT hr, std::wstring description) {
        callFailure_ = hr;
        callFailureText_ = std::move(description);
    }
    // Keys the engines consume in TranslateAccelerator.
    void ConsumeKey(WPARAM key) { consumedKeys_.push_back(key); }
    // What QueryStatusWB reports for every command (OLECMDF flags).
    void SetCommandStatus(DWORD flags) { commandStatus_ = flags; }
    // The same for one command, over the above.
    void SetCommandStatus(OLECMDID command, DWORD flags) { commandStatusOf_[command] = flags; }
    // Whether the engines' documents take commands of their own (IE's do),
    // and what they say of each.
    void OfferDocumentCommands(DWORD flags) { documentStatus_ = flags; }
    // Whether engines announce themselves through SetActiveObject.
    void AnnounceActiveObject(bool announce) { announce_ = announce; }

    size_t Count() const { return records_.size(); }
    // Engines not yet released; must be 0 once every window has closed.
    size_t LiveCount() const;
    EngineRecord& Record(size_t index) { return *records_.at(index); }
    EngineRecord& Last() { return *records_.back(); }
    // The live engine for a record; null once it has been released.
    EngineDouble* Engine(size_t index);

    // Events, delivered as a real control delivers them.
    void FireStatusTextChange(size_t index, const std::wstring& text);
    void FireProgressChange(size_t index, int progress, int progressMax);
    void FireCommandStateChange(size_t index, int command, bool enable);
    void FireTitleChange(size_t index, const std::wstring& text);
    // Returns the Cancel value the program set.
    VARIANT_BOOL FireNewWindow2(size_t index);
    // A navigation about to start, of the page itself or of a frame inside
    // it; returns the Cancel value the program set.
    VARIANT_BOOL FireBeforeNavigate2(size_t index, const std::wstring& url, bool topLevel = true);
    void FireDocumentComplete(size_t index, bool topLevel = true);
    void FireNavigateError(size_t index, bool topLevel = true);
    // Any other event id with no arguments (the program must ignore it).
    void FireOther(size_t index, DISPID id);

private:
    friend class EngineDouble;
    friend class EngineFactory;

    HRESULT CreateFailure(const CLSID& clsid) const;
    std::shared_ptr<EngineRecord> NewRecord(const CLSID& clsid, EngineDouble* engine);
    void Forget(EngineDouble* engine);
    static std::wstring ClsidKey(const CLSID& clsid);
    void Fire(size_t index, DISPID id, std::vector<VARIANT>& argsLastFirst);

    HRESULT callFailure_ = S_OK;
    std::wstring callFailureText_;
    std::vector<WPARAM> consumedKeys_;
    bool announce_ = false;
    DWORD commandStatus_ = OLECMDF_SUPPORTED | OLECMDF_ENABLED;
    std::map<OLECMDID, DWORD> commandStatusOf_;
    DWORD documentStatus_ = 0;  // 0: no document
    std::map<std::wstring, HRESULT> createFailure_;
    std::vector<std::shared_ptr<EngineRecord>> records_;
    std::vector<EngineDouble*> engines_;  // parallel to records_
    std::vector<ComPtr<IClassFactory>> factories_;
    std::vector<DWORD> cookies_;
};

}  // namespace vesko::test
