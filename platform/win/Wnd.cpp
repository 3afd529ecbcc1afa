#include "platform/win/Wnd.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <unordered_map>

#include "platform/core/Text.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/ProcessIdentity.h"
#include "platform/win/Station.h"

const CRuntimeClass CCmdTarget::classCCmdTarget = {"CCmdTarget", nullptr};
const CRuntimeClass CWnd::classCWnd = {"CWnd", &CCmdTarget::classCCmdTarget};

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

namespace {

// Message maps are fixed tables: that a class's maps have no entry for a message is noted
// once, so the many messages a control answers by itself skip the walk through its maps.
class UnmappedMessages {
public:
    bool Holds(const AFX_MSGMAP* map, UINT message) const {
        const Slot& slot = m_slots[Index(map, message)];
        return slot.map == map && slot.message == message;
    }
    void Add(const AFX_MSGMAP* map, UINT message) { m_slots[Index(map, message)] = Slot{map, message}; }

private:
    struct Slot {
        const AFX_MSGMAP* map = nullptr;
        UINT message = 0;
    };
    static std::size_t Index(const AFX_MSGMAP* map, UINT message) {
        const auto key = reinterpret_cast<std::uintptr_t>(map) >> 4;
        return (key * 31 + message * 0x9E3779B1u) % kSlots;
    }
    static constexpr std::size_t kSlots = 256;
    Slot m_slots[kSlots];
};

UnmappedMessages& Unmapped() {
    thread_local UnmappedMessages unmapped;
    return unmapped;
}

} // namespace

BOOL CCmdTarget::DispatchToMap(UINT message, UINT code, UINT id, WPARAM wParam, LPARAM lParam,
                               LRESULT* result) {
    const bool keyed = message == WM_COMMAND || message == WM_NOTIFY ||
                       message == WM_REFLECT_BASE + WM_COMMAND || message == WM_REFLECT_BASE + WM_NOTIFY;
    const AFX_MSGMAP* const first = GetMessageMap();
    UnmappedMessages& unmapped = Unmapped();
    if (unmapped.Holds(first, message))
        return FALSE;
    bool listed = false;
    for (const AFX_MSGMAP* map = first; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn; ++e) {
            if (e->nMessage != message)
                continue;
            listed = true;
            if (keyed && (e->nCode != code || id < e->nID || id > e->nLastID))
                continue;
            LRESULT r = 0;
            if (e->pfn(this, message, wParam, lParam, &r)) {
                if (result)
                    *result = r;
                return TRUE;
            }
        }
        if (!map->pfnGetBaseMap)
            break;
    }
    if (!listed)
        unmapped.Add(first, message);
    return FALSE;
}

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {&CCmdTarget::GetThisMessageMap, &entries[0]};
    return &map;
}

// ---------------------------------------------------------------------------------------
// Handle table. A handle is a number: local windows and remote windows draw from one
// counter, so a handle names exactly one window for the life of the process.

class CWndHandleMap {
public:
    struct Entry {
        CWnd* wnd = nullptr;
        int remotePid = 0;
        // The start time of that process; 0 until it was read (a sender's handle reads it
        // only when asked).
        std::uint64_t remoteStart = 0;
        std::uint64_t remoteId = 0;
        std::unique_ptr<CWnd> proxy; // object standing for a remote window, kept with its handle
        bool transient = false;      // a sender's handle only; among the last few kept
        int inUse = 0;               // messages naming it as their sender being handled now
    };

    static CWndHandleMap& Get() {
        static CWndHandleMap map;
        return map;
    }

    HWND Add(CWnd* wnd) {
        std::uint64_t id = ++m_next;
        m_entries[id].wnd = wnd;
        return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(id));
    }
    void Remove(HWND h) {
        auto it = m_entries.find(Id(h));
        if (it != m_entries.end() && it->second.remotePid == 0)
            Erase(it);
    }
    // A fill sends many messages to one window: the last handle found is looked up first.
    Entry* Find(HWND h) {
        const std::uint64_t id = Id(h);
        if (m_lastEntry && id == m_lastId)
            return m_lastEntry;
        auto it = m_entries.find(id);
        if (it == m_entries.end())
            return nullptr;
        m_lastId = id;
        m_lastEntry = &it->second;
        return m_lastEntry;
    }
    HWND Remote(int pid, std::uint64_t id, bool transient) {
        auto key = std::make_pair(pid, id);
        auto it = m_remote.find(key);
        // A window found in the station belongs to the process that runs with its pid now:
        // the handle of a window of an ended process with that pid stays gone.
        const std::uint64_t start = transient ? 0 : zwin::IdentifyProcess(pid).startTime;
        if (it != m_remote.end()) {
            Entry& old = m_entries[Id(it->second)];
            if (start != 0 && old.remoteStart != 0 && old.remoteStart != start)
                m_remote.erase(it);
            else if (old.remoteStart == 0)
                old.remoteStart = start;
            it = m_remote.find(key);
        }
        if (it != m_remote.end()) {
            Entry& e = m_entries[Id(it->second)];
            if (!transient && e.transient) {
                e.transient = false; // kept from now on
                --m_transientCount;
            }
            e.inUse += transient;
            return it->second;
        }
        std::uint64_t local = ++m_next;
        Entry& e = m_entries[local];
        e.remotePid = pid;
        e.remoteStart = start;
        e.remoteId = id;
        e.transient = transient;
        e.inUse = transient;
        HWND h = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(local));
        m_remote[key] = h;
        if (transient) {
            m_transientOrder.push_back(local);
            ++m_transientCount;
            // Senders are named by any number a peer chooses: only the last few are kept,
            // an older one fails quietly, as the handle of a window that has gone. One whose
            // message is still being handled (a send nested in its handler) stays.
            for (std::size_t n = m_transientOrder.size(); m_transientCount > kTransientKept && n > 0; --n) {
                std::uint64_t oldest = m_transientOrder.front();
                m_transientOrder.pop_front();
                auto old = m_entries.find(oldest);
                if (old == m_entries.end() || !old->second.transient)
                    continue;
                if (old->second.inUse > 0) {
                    m_transientOrder.push_back(oldest);
                    continue;
                }
                auto named = m_remote.find(std::make_pair(old->second.remotePid, old->second.remoteId));
                if (named != m_remote.end() && Id(named->second) == oldest)
                    m_remote.erase(named);
                Erase(old);
                --m_transientCount;
            }
        }
        return h;
    }
    void SenderDone(HWND h) {
        auto it = m_entries.find(Id(h));
        if (it != m_entries.end() && it->second.inUse > 0)
            --it->second.inUse;
    }
    std::size_t Size() const { return m_entries.size() + m_remote.size(); }
    // In the order the windows were made.
    std::vector<CWnd*> TopLevel() {
        std::vector<std::pair<std::uint64_t, CWnd*>> found;
        for (auto& [id, e] : m_entries)
            if (e.wnd && !e.wnd->GetParent() && e.remotePid == 0)
                found.emplace_back(id, e.wnd);
        std::sort(found.begin(), found.end());
        std::vector<CWnd*> out;
        for (auto& f : found)
            out.push_back(f.second);
        return out;
    }
    static std::uint64_t Id(HWND h) {
        return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(h));
    }

private:
    using Entries = std::unordered_map<std::uint64_t, Entry>;
    void Erase(Entries::iterator it) {
        if (&it->second == m_lastEntry)
            m_lastEntry = nullptr;
        m_entries.erase(it);
    }

    static constexpr std::size_t kTransientKept = 64;
    std::uint64_t m_next = 0x100;
    std::deque<std::uint64_t> m_transientOrder;
    std::size_t m_transientCount = 0;
    // Looked up on every message: hashed.
    Entries m_entries;
    std::map<std::pair<int, std::uint64_t>, HWND> m_remote;
    // Elements of the hash keep their place on rehash; the entry is forgotten when erased.
    std::uint64_t m_lastId = 0;
    Entry* m_lastEntry = nullptr;
};

namespace zwin {
std::uint64_t HandleId(HWND hWnd) {
    return CWndHandleMap::Id(hWnd);
}
HWND HandleFromId(std::uint64_t id) {
    HWND h = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(id));
    auto* e = CWndHandleMap::Get().Find(h);
    return e && e->wnd && e->remotePid == 0 ? h : nullptr;
}
HWND RemoteHandle(int pid, std::uint64_t id) {
    return CWndHandleMap::Get().Remote(pid, id, false);
}
HWND SenderHandle(int pid, std::uint64_t id) {
    return CWndHandleMap::Get().Remote(pid, id, true);
}
void SenderHandleDone(HWND hWnd) {
    CWndHandleMap::Get().SenderDone(hWnd);
}
std::size_t HandleTableSize() {
    return CWndHandleMap::Get().Size();
}
ProcessIdentity RemoteProcess(HWND hWnd) {
    auto* e = CWndHandleMap::Get().Find(hWnd);
    if (!e || e->remotePid == 0)
        return {};
    if (e->remoteStart == 0)
        e->remoteStart = IdentifyProcess(e->remotePid).startTime;
    return {e->remotePid, e->remoteStart};
}
bool RemoteTarget(HWND hWnd, int* pid, std::uint64_t* id) {
    auto* e = CWndHandleMap::Get().Find(hWnd);
    if (!e || e->remotePid == 0)
        return false;
    if (pid)
        *pid = e->remotePid;
    if (id)
        *id = e->remoteId;
    return true;
}
std::vector<CWnd*> TopLevelWindows() {
    return CWndHandleMap::Get().TopLevel();
}
} // namespace zwin

// ---------------------------------------------------------------------------------------

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (m_hWnd && !m_bRemote)
        DestroyWindow();
}

BOOL CWnd::CreateEx(DWORD exStyle, const char* windowName, DWORD style, const RECT& rect, CWnd* parent,
                    UINT id) {
    if (m_hWnd)
        return FALSE;
    m_dwExStyle = exStyle;
    m_dwStyle = style;
    m_rect = rect;
    m_pParent = parent;
    m_nID = id;
    m_strText = windowName ? windowName : "";
    m_hWnd = CWndHandleMap::Get().Add(this);
    if (parent)
        parent->m_children.push_back(this);
    else if (!m_strText.IsEmpty())
        zwin::StationWindowTitled(this);
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd)
        return FALSE;
    HWND h = m_hWnd;
    // Children go first, as the system destroys them with their parent.
    std::vector<CWnd*> children = m_children;
    for (CWnd* child : children)
        child->DestroyWindow();
    SendMessage(WM_DESTROY);
    if (!m_pParent)
        zwin::StationWindowDestroyed(this);
    else
        m_pParent->RemoveChild(this);
    KillTimer(0); // all timers of the window
    zwin::RemoveWindowMessages(h);
    if (m_pPeer)
        m_pPeer->Destroyed();
    CWndHandleMap::Get().Remove(h);
    m_hWnd = nullptr;
    m_pParent = nullptr;
    m_children.clear();
    PostNcDestroy();
    return TRUE;
}

void CWnd::RemoveChild(CWnd* child) {
    m_children.erase(std::remove(m_children.begin(), m_children.end(), child), m_children.end());
}

BOOL CWnd::Attach(HWND hWnd) {
    auto* e = CWndHandleMap::Get().Find(hWnd);
    if (!e || m_hWnd)
        return FALSE;
    CWnd* old = e->wnd;
    if (old && old != this) {
        // Take over the old object's window data; the old object lets go of the handle.
        m_strText = old->m_strText;
        m_dwStyle = old->m_dwStyle;
        m_dwExStyle = old->m_dwExStyle;
        m_rect = old->m_rect;
        m_nID = old->m_nID;
        m_pParent = old->m_pParent;
        m_children = old->m_children;
        m_pPeer = old->m_pPeer;
        for (CWnd* c : m_children)
            c->m_pParent = this;
        if (m_pParent)
            std::replace(m_pParent->m_children.begin(), m_pParent->m_children.end(), old, this);
        old->m_hWnd = nullptr;
        old->m_children.clear();
        old->m_pParent = nullptr;
        old->m_pPeer = nullptr;
    }
    e->wnd = this;
    m_hWnd = hWnd;
    return TRUE;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!Attach(hWnd))
        return FALSE;
    PreSubclassWindow();
    return TRUE;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    auto* e = CWndHandleMap::Get().Find(hWnd);
    return e && e->remotePid == 0 ? e->wnd : nullptr;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    auto* e = CWndHandleMap::Get().Find(hWnd);
    if (!e)
        return nullptr;
    if (e->remotePid == 0)
        return e->wnd;
    if (!e->proxy) {
        e->proxy = std::make_unique<CWnd>();
        e->proxy->m_hWnd = hWnd;
        e->proxy->m_bRemote = true;
    }
    return e->proxy.get();
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    MSG saved = m_currentMsg;
    m_currentMsg = MSG{m_hWnd, message, wParam, lParam, 0, {0, 0}};
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    m_currentMsg = saved;
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_COMMAND) {
        if (OnCommand(wParam, lParam)) {
            *result = 0;
            return TRUE;
        }
        return FALSE;
    }
    if (message == WM_NOTIFY) {
        return OnNotify(wParam, lParam, result);
    }
    return DispatchToMap(message, 0, 0, wParam, lParam, result);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    UINT id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    HWND control = reinterpret_cast<HWND>(lParam);
    if (control && ReflectChildNotify(WM_COMMAND, wParam, lParam, nullptr))
        return TRUE;
    return DispatchToMap(WM_COMMAND, code, id, wParam, lParam, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* result) {
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (!hdr)
        return FALSE;
    if (hdr->hwndFrom && ReflectChildNotify(WM_NOTIFY, 0, lParam, result))
        return TRUE;
    return DispatchToMap(WM_NOTIFY, hdr->code, static_cast<UINT>(hdr->idFrom), 0, lParam, result);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    HWND childHandle = nullptr;
    if (message == WM_COMMAND)
        childHandle = reinterpret_cast<HWND>(lParam);
    else if (message == WM_NOTIFY)
        childHandle = reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
    CWnd* child = FromHandlePermanent(childHandle);
    if (!child || child == this)
        return FALSE;
    return child->OnChildNotify(message, wParam, lParam, result);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    UINT code = 0, id = 0;
    if (message == WM_COMMAND) {
        code = HIWORD(wParam);
        id = LOWORD(wParam);
    } else if (message == WM_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        code = hdr->code;
        id = static_cast<UINT>(hdr->idFrom);
    }
    return DispatchToMap(WM_REFLECT_BASE + message, code, id, wParam, lParam, result);
}

LRESULT CWnd::Default() {
    return DefWindowProc(m_currentMsg.message, m_currentMsg.wParam, m_currentMsg.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT classResult = 0;
    if (m_pPeer && m_pPeer->ClassProc(message, wParam, lParam, &classResult))
        return classResult;
    switch (message) {
    case WM_SETTEXT: {
        const char* text = reinterpret_cast<const char*>(lParam);
        m_strText = text ? text : "";
        if (m_pPeer)
            m_pPeer->TextChanged();
        if (!m_pParent && m_hWnd)
            zwin::StationWindowTitled(this);
        return TRUE;
    }
    case WM_GETTEXT: {
        CString text;
        GetWindowText(text);
        auto* buffer = reinterpret_cast<char*>(lParam);
        return buffer ? CopyBounded(buffer, static_cast<int>(wParam), text) : 0;
    }
    case WM_GETTEXTLENGTH: {
        CString text;
        GetWindowText(text);
        return text.GetLength();
    }
    case WM_CLOSE:
        DestroyWindow();
        return 0;
    default:
        return 0;
    }
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

void CWnd::OnTimer(UINT_PTR) {
    Default();
}
void CWnd::OnClose() {
    Default();
}
void CWnd::OnDestroy() {
    Default();
}
BOOL CWnd::OnCopyData(CWnd*, COPYDATASTRUCT*) {
    return static_cast<BOOL>(Default());
}

void CWnd::SetWindowText(const char* text) {
    SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void CWnd::GetWindowText(CString& text) const {
    if (!m_pPeer || !m_pPeer->QueryText(text))
        text = m_strText;
}

int CWnd::GetWindowText(char* buffer, int maxCount) const {
    CString text;
    GetWindowText(text);
    // At most maxCount - 1 bytes and the terminator; a double-byte character is never split.
    return CopyBounded(buffer, maxCount, text);
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, void*) {
    return ::SetTimer(m_hWnd, id, elapse, nullptr);
}

BOOL CWnd::KillTimer(UINT_PTR id) {
    return ::KillTimer(m_hWnd, id);
}

CWnd* CWnd::GetDlgItem(int id) const {
    for (CWnd* child : m_children)
        if (static_cast<int>(child->m_nID) == id)
            return child;
    return nullptr;
}

CWnd* CWnd::GetTopLevelParent() const {
    const CWnd* w = this;
    while (w->m_pParent)
        w = w->m_pParent;
    return const_cast<CWnd*>(w);
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT) {
    DWORD old = m_dwStyle;
    m_dwStyle = (m_dwStyle & ~remove) | add;
    if (old == m_dwStyle)
        return FALSE;
    if (m_pPeer)
        m_pPeer->StyleChanged(old, m_dwExStyle);
    return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT) {
    DWORD old = m_dwExStyle;
    m_dwExStyle = (m_dwExStyle & ~remove) | add;
    if (old == m_dwExStyle)
        return FALSE;
    if (m_pPeer)
        m_pPeer->StyleChanged(m_dwStyle, old);
    return TRUE;
}

BOOL CWnd::EnableWindow(BOOL enable) {
    BOOL wasDisabled = !IsWindowEnabled();
    if (enable)
        ModifyStyle(WS_DISABLED, 0);
    else
        ModifyStyle(0, WS_DISABLED);
    return wasDisabled;
}

BOOL CWnd::ShowWindow(int cmdShow) {
    BOOL wasVisible = (m_dwStyle & WS_VISIBLE) != 0;
    DWORD remove = 0, add = 0;
    switch (cmdShow) {
    case SW_HIDE:
        remove = WS_VISIBLE;
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
        add = WS_VISIBLE | WS_MINIMIZE;
        break;
    case SW_RESTORE:
        remove = WS_MINIMIZE;
        add = WS_VISIBLE;
        break;
    default:
        add = WS_VISIBLE;
        break;
    }
    ModifyStyle(remove, add);
    return wasVisible;
}

BOOL CWnd::IsIconic() const {
    if (m_pPeer)
        return m_pPeer->IsIconic();
    return (m_dwStyle & WS_MINIMIZE) != 0;
}

void CWnd::InvalidateRect(const RECT* rect, BOOL erase) {
    ::InvalidateRect(m_hWnd, rect, erase);
}

BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags) {
    if (!(flags & SWP_NOMOVE)) {
        LONG w = m_rect.right - m_rect.left, h = m_rect.bottom - m_rect.top;
        m_rect = RECT{x, y, x + w, y + h};
    }
    if (!(flags & SWP_NOSIZE)) {
        m_rect.right = m_rect.left + cx;
        m_rect.bottom = m_rect.top + cy;
    }
    if (!(flags & SWP_NOZORDER)) {
        // The special insert-after handles come as pointers of their own value: never read them.
        const bool topmost = insertAfter == reinterpret_cast<const CWnd*>(HWND_TOPMOST);
        const bool notTopmost = insertAfter == reinterpret_cast<const CWnd*>(HWND_NOTOPMOST);
        HWND after = topmost || notTopmost || !insertAfter ? HWND_TOP : insertAfter->m_hWnd;
        if (topmost || after == HWND_TOPMOST)
            ModifyStyleEx(0, WS_EX_TOPMOST);
        else if (notTopmost || after == HWND_NOTOPMOST)
            ModifyStyleEx(WS_EX_TOPMOST, 0);
    }
    if (flags & SWP_SHOWWINDOW)
        ModifyStyle(0, WS_VISIBLE);
    if (flags & SWP_HIDEWINDOW)
        ModifyStyle(WS_VISIBLE, 0);
    if (m_pPeer)
        m_pPeer->PositionChanged();
    return TRUE;
}

void CWnd::GetWindowRect(RECT* rect) const {
    if (!rect)
        return;
    if (!m_pPeer || !m_pPeer->QueryWindowRect(*rect))
        *rect = m_rect;
}

void CWnd::GetClientRect(RECT* rect) const {
    if (!rect)
        return;
    if (!m_pPeer || !m_pPeer->QueryClientRect(*rect))
        *rect = RECT{0, 0, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top};
}

CWnd* CWnd::SetFocus() {
    if (m_pPeer)
        m_pPeer->FocusRequested();
    return nullptr;
}

// BM_GETCHECK / BM_SETCHECK are the button messages: 0x00F0 / 0x00F1.
UINT CWnd::IsDlgButtonChecked(int id) const {
    CWnd* item = GetDlgItem(id);
    return item ? static_cast<UINT>(item->SendMessage(0x00F0, 0, 0)) : 0;
}

void CWnd::CheckDlgButton(int id, UINT check) {
    if (CWnd* item = GetDlgItem(id))
        item->SendMessage(0x00F1, check, 0);
}

int CWnd::RunModalLoop() {
    m_bContinueModal = TRUE;
    MSG msg;
    while (m_bContinueModal) {
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            // The quit passes on to every loop outside this one.
            PostQuitMessage(static_cast<int>(msg.wParam));
            m_bContinueModal = FALSE;
            return -1;
        }
        if (!PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return m_nModalResult;
}

void CWnd::EndModalLoop(int result) {
    m_nModalResult = result;
    m_bContinueModal = FALSE;
}

// ---------------------------------------------------------------------------------------

BOOL IsWindow(HWND hWnd) {
    if (!hWnd)
        return FALSE;
    return CWnd::FromHandlePermanent(hWnd) != nullptr || zwin::ProcessLives(zwin::RemoteProcess(hWnd));
}

DWORD GetWindowThreadProcessId(HWND hWnd, DWORD* processId) {
    int pid = 0;
    if (hWnd && CWnd::FromHandlePermanent(hWnd))
        pid = static_cast<int>(getpid());
    else if (!zwin::RemoteTarget(hWnd, &pid, nullptr))
        pid = 0;
    if (processId)
        *processId = static_cast<DWORD>(pid);
    // One user-interface thread per process: the thread is named by its process.
    return static_cast<DWORD>(pid);
}

LRESULT SendMessageA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (CWnd* wnd = CWnd::FromHandlePermanent(hWnd)) {
        zwin::MessageSenderScope scope(zwin::kThisProcess);
        return wnd->WindowProc(message, wParam, lParam);
    }
    if (zwin::RemoteTarget(hWnd, nullptr, nullptr))
        return zwin::StationSend(hWnd, message, wParam, lParam);
    return 0;
}

int GetWindowTextA(HWND hWnd, char* buffer, int maxCount) {
    CWnd* wnd = CWnd::FromHandlePermanent(hWnd);
    return wnd ? wnd->GetWindowText(buffer, maxCount) : 0;
}
