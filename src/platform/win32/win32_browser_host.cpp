#include "platform/win32/win32_browser_host.h"

#include <exdisp.h>
#include <ole2.h>

#include "platform/win32/text.h"

namespace kest::platform::win32 {

// One object is client site, in-place site and in-place frame: the control needs a window to
// live in and somewhere to ask for it, nothing more. Menus, toolbars and accelerators are refused.
class BrowserSite final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    BrowserSite(HWND window, RECT bounds) : window_(window), bounds_(bounds) {}

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
            *out = static_cast<IOleClientSite*>(this);
        } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
            *out = static_cast<IOleInPlaceSite*>(this);
        } else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
            *out = static_cast<IOleInPlaceFrame*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override { return Refuse(out); }
    STDMETHODIMP GetContainer(IOleContainer** out) override { return Refuse(out, E_NOINTERFACE); }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* out) override {
        if (!out) return E_POINTER;
        *out = window_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        if (!frame || !document || !position || !clip || !info) return E_POINTER;
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *document = nullptr;
        *position = bounds_;
        GetClientRect(window_, clip);
        info->fMDIApp = FALSE;
        info->hwndFrame = window_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }

    // IOleInPlaceFrame
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    template <typename T>
    static HRESULT Refuse(T** out, HRESULT result = E_NOTIMPL) {
        if (out) *out = nullptr;
        return result;
    }

    HWND window_;
    RECT bounds_;
    ULONG references_ = 1;
};

std::unique_ptr<BrowserHost> BrowserHost::Create(HWND parent, RECT bounds) {
    std::unique_ptr<BrowserHost> host(new BrowserHost);
    host->site_ = new BrowserSite(parent, bounds);
    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(&host->object_)))) {
        host->object_ = nullptr;
        return nullptr;
    }
    if (FAILED(host->object_->SetClientSite(static_cast<IOleClientSite*>(host->site_)))) return nullptr;
    OleSetContainedObject(host->object_, TRUE);
    if (FAILED(host->object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(host->site_), 0,
                                     parent, &bounds))) {
        return nullptr;
    }
    IWebBrowser2* browser = nullptr;
    if (FAILED(host->object_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser)))) return nullptr;
    host->browser_ = browser;
    // A page with errors would otherwise stop on script-error boxes nobody asked for.
    browser->put_Silent(VARIANT_TRUE);
    return host;
}

BrowserHost::~BrowserHost() {
    if (browser_) browser_->Release();
    if (object_) {
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
        object_->Release();
    }
    if (site_) site_->Release();
}

bool BrowserHost::Navigate(const Text& address) {
    if (!browser_) return false;
    BSTR url = SysAllocString(Wide(address));
    VARIANT none;
    VariantInit(&none);
    const HRESULT result = browser_->Navigate(url, &none, &none, &none, &none);
    SysFreeString(url);
    return SUCCEEDED(result);
}

}  // namespace kest::platform::win32
