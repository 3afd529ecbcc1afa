// Windows of this process: handles, window procedures with message maps, and the data
// that a window keeps. The window back end attaches a peer that puts the window on screen;
// without one a window is headless (the engine, supervision tests).
#pragma once

#include <cstddef>
#include <vector>

#include "platform/core/CString.h"
#include "platform/win/Messages.h"
#include "platform/win/ProcessIdentity.h"

class CCmdTarget;
class CWnd;
class CDC;
class CFont;

// One entry of a message map: a message (or WM_COMMAND / WM_NOTIFY with a notification code
// and a control id range) and the thunk that cracks the parameters and calls the handler.
using AFX_THUNK = BOOL (*)(CCmdTarget* target, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    UINT nLastID;
    AFX_THUNK pfn;
};
struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Run-time class information (dynamic classes without dynamic creation).
struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)
#define DECLARE_DYNAMIC(class_name)                                                                          \
public:                                                                                                      \
    static const CRuntimeClass class##class_name;                                                            \
    const CRuntimeClass* GetRuntimeClass() const override;
#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                                       \
    const CRuntimeClass class_name::class##class_name = {#class_name, RUNTIME_CLASS(base_class_name)};       \
    const CRuntimeClass* class_name::GetRuntimeClass() const {                                               \
        return RUNTIME_CLASS(class_name);                                                                    \
    }

#define DECLARE_MESSAGE_MAP()                                                                                \
protected:                                                                                                   \
    static const AFX_MSGMAP* GetThisMessageMap();                                                            \
    const AFX_MSGMAP* GetMessageMap() const override;

// The entries are built inside a member function so that the thunks may call protected and
// private handlers of the class.
#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                               \
    const AFX_MSGMAP* theClass::GetMessageMap() const {                                                      \
        return GetThisMessageMap();                                                                          \
    }                                                                                                        \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                                        \
        using ThisClass [[maybe_unused]] = theClass;                                                         \
        using TheBaseClass = baseClass;                                                                      \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                                    \
    { 0, 0, 0, 0, nullptr }                                                                                  \
    }                                                                                                        \
    ;                                                                                                        \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]};            \
    return &messageMap;                                                                                      \
    }

#define AFX_ENTRY(msg, code, id, lastId, body)                                                               \
    {msg, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(lastId),                         \
     [](CCmdTarget* _p, UINT _msg, WPARAM _w, LPARAM _l, LRESULT* _r) -> BOOL {                              \
         auto* _t = static_cast<ThisClass*>(_p);                                                             \
         (void)_t;                                                                                           \
         (void)_msg;                                                                                         \
         (void)_w;                                                                                           \
         (void)_l;                                                                                           \
         (void)_r;                                                                                           \
         body;                                                                                               \
         return TRUE;                                                                                        \
     }},

// LRESULT Handler(WPARAM, LPARAM)
#define ON_MESSAGE(message, memberFxn)                                                                       \
    AFX_ENTRY(message, 0, 0, 0, *_r = (_t->*(&ThisClass::memberFxn))(_w, _l))
// void Handler() for a command id (menus, buttons)
#define ON_COMMAND(id, memberFxn) AFX_ENTRY(WM_COMMAND, 0, id, id, (_t->*(&ThisClass::memberFxn))(); *_r = 0)
#define ON_CONTROL(code, id, memberFxn)                                                                      \
    AFX_ENTRY(WM_COMMAND, code, id, id, (_t->*(&ThisClass::memberFxn))(); *_r = 0)
// void Handler(UINT id)
#define ON_CONTROL_RANGE(code, id, lastId, memberFxn)                                                        \
    AFX_ENTRY(WM_COMMAND, code, id, lastId, (_t->*(&ThisClass::memberFxn))(LOWORD(_w)); *_r = 0)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
// void Handler(NMHDR*, LRESULT*)
#define ON_NOTIFY(code, id, memberFxn)                                                                       \
    AFX_ENTRY(WM_NOTIFY, code, id, id, (_t->*(&ThisClass::memberFxn))(reinterpret_cast<NMHDR*>(_l), _r))
#define ON_NOTIFY_REFLECT(code, memberFxn)                                                                   \
    AFX_ENTRY(WM_REFLECT_BASE + WM_NOTIFY, code, 0, 0xFFFF, *_r = 0;                                         \
              (_t->*(&ThisClass::memberFxn))(reinterpret_cast<NMHDR*>(_l), _r))
#define ON_WM_TIMER() AFX_ENTRY(WM_TIMER, 0, 0, 0, _t->OnTimer(static_cast<UINT_PTR>(_w)); *_r = 0)
#define ON_WM_CLOSE() AFX_ENTRY(WM_CLOSE, 0, 0, 0, _t->OnClose(); *_r = 0)
#define ON_WM_DESTROY() AFX_ENTRY(WM_DESTROY, 0, 0, 0, _t->OnDestroy(); *_r = 0)
#define ON_WM_COPYDATA()                                                                                     \
    AFX_ENTRY(WM_COPYDATA, 0, 0, 0,                                                                          \
              *_r = _t->OnCopyData(CWnd::FromHandle(reinterpret_cast<HWND>(_w)),                             \
                                   reinterpret_cast<COPYDATASTRUCT*>(_l)))

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    static const CRuntimeClass classCCmdTarget;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCCmdTarget; }

    // Looks the message up in the class's map and its bases' maps; TRUE when a handler ran.
    BOOL DispatchToMap(UINT message, UINT code, UINT id, WPARAM wParam, LPARAM lParam, LRESULT* result);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const { return GetThisMessageMap(); }
};

// The window back end's side of a window: what it shows and what the operator changes.
class CWndPeer {
public:
    virtual ~CWndPeer() = default;
    virtual void TextChanged() {}
    // Text that the operator may have edited; false when the window's own text stands.
    virtual bool QueryText(CString& text) const {
        (void)text;
        return false;
    }
    virtual void StyleChanged(DWORD oldStyle, DWORD oldExStyle) {
        (void)oldStyle;
        (void)oldExStyle;
    }
    virtual void Invalidate(const RECT* rect, bool erase) {
        (void)rect;
        (void)erase;
    }
    virtual void PositionChanged() {}
    virtual bool QueryWindowRect(RECT& rect) const {
        (void)rect;
        return false;
    }
    virtual bool QueryClientRect(RECT& rect) const {
        (void)rect;
        return false;
    }
    virtual bool IsIconic() const { return false; }
    virtual void FocusRequested() {}
    virtual void Destroyed() {}
    // The window class's own handling of a message (a control's behaviour), asked by
    // CWnd::DefWindowProc first; false leaves the message to the core's default handling.
    virtual bool ClassProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
        (void)message;
        (void)wParam;
        (void)lParam;
        (void)result;
        return false;
    }
};

class CWnd : public CCmdTarget {
public:
    CWnd();
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    static const CRuntimeClass classCWnd;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCWnd; }

    HWND m_hWnd = nullptr;

    // Creates the window object's handle. A top-level window (no parent) with a title is
    // listed in the window station, where other processes find it by title.
    BOOL CreateEx(DWORD exStyle, const char* windowName, DWORD style, const RECT& rect, CWnd* parent,
                  UINT id);
    virtual BOOL DestroyWindow();
    // Binds an existing handle to this object (the object then receives its messages).
    BOOL Attach(HWND hWnd);
    BOOL SubclassWindow(HWND hWnd);
    virtual void PreSubclassWindow() {}

    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd);
    HWND GetSafeHwnd() const { return m_hWnd; }

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // The window class's own handling: what a message does when no handler takes it.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // A notification sent to the parent is first offered to the child that sent it.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // The default handling of the message being handled.
    LRESULT Default();

    void SetWindowText(const char* text);
    int GetWindowText(char* buffer, int maxCount) const;
    void GetWindowText(CString& text) const;

    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, void* timerProc);
    BOOL KillTimer(UINT_PTR id);

    CWnd* GetDlgItem(int id) const;
    int GetDlgCtrlID() const { return static_cast<int>(m_nID); }
    CWnd* GetParent() const { return m_pParent; }
    const std::vector<CWnd*>& GetChildren() const { return m_children; }
    CWnd* GetTopLevelParent() const;

    DWORD GetStyle() const { return m_dwStyle; }
    DWORD GetExStyle() const { return m_dwExStyle; }
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const { return !(m_dwStyle & WS_DISABLED); }
    BOOL ShowWindow(int cmdShow);
    BOOL IsIconic() const;
    void Invalidate(BOOL erase = TRUE) { InvalidateRect(nullptr, erase); }
    void InvalidateRect(const RECT* rect, BOOL erase = TRUE);
    BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
    void GetWindowRect(RECT* rect) const;
    void GetClientRect(RECT* rect) const;
    CWnd* SetFocus();
    UINT IsDlgButtonChecked(int id) const;
    void CheckDlgButton(int id, UINT check);

    // Drawing, fonts and message boxes belong to the window back end (platform/ui), which
    // defines these members; the headless core does not use them.
    CDC* GetDC();
    int ReleaseDC(CDC* dc);
    void SetFont(CFont* font, BOOL redraw = TRUE);
    CFont* GetFont() const;
    int MessageBox(const char* text, const char* caption = nullptr, UINT type = 0);

    // Modal loop state (dialogs and message boxes run one).
    int RunModalLoop();
    virtual void EndModalLoop(int result);

    CWndPeer* GetPeer() const { return m_pPeer; }
    void SetPeer(CWndPeer* peer) { m_pPeer = peer; }
    // The stored text, without asking the peer.
    const CString& StoredText() const { return m_strText; }

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    const AFX_MSGMAP* GetMessageMap() const override { return GetThisMessageMap(); }

    // Default handlers: each runs the default handling of its message.
    virtual void OnTimer(UINT_PTR id);
    virtual void OnClose();
    virtual void OnDestroy();
    virtual BOOL OnCopyData(CWnd* sender, COPYDATASTRUCT* data);
    virtual void PostNcDestroy() {}

    friend class CWndHandleMap;

    CString m_strText;
    DWORD m_dwStyle = 0;
    DWORD m_dwExStyle = 0;
    RECT m_rect{0, 0, 0, 0};
    UINT m_nID = 0;
    CWnd* m_pParent = nullptr;
    std::vector<CWnd*> m_children;
    CWndPeer* m_pPeer = nullptr;
    BOOL m_bContinueModal = FALSE;
    int m_nModalResult = -1;
    MSG m_currentMsg{};
    bool m_bRemote = false;

private:
    void RemoveChild(CWnd* child);
};

// Handle-level calls of the Win32 API. A handle of a window of another process is valid
// here too (see Station.h): posts and sends reach it through the window station, and it
// names a window as long as that very process runs (a later process with its pid is another).
BOOL IsWindow(HWND hWnd);
// The process (and its one thread, named alike) that owns the window; 0 for no window.
DWORD GetWindowThreadProcessId(HWND hWnd, DWORD* processId);
LRESULT SendMessageA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL InvalidateRect(HWND hWnd, const RECT* rect, BOOL erase);
int GetWindowTextA(HWND hWnd, char* buffer, int maxCount);

namespace zwin {
// Handle bookkeeping for the window station: the numeric id of a handle in this process,
// and the handle that stands for window `id` of process `pid`.
std::uint64_t HandleId(HWND hWnd);
HWND HandleFromId(std::uint64_t id);
HWND RemoteHandle(int pid, std::uint64_t id);
// The handle of the window a message of another process names as its sender, held until
// SenderHandleDone when the message has been handled. Only the last few such handles are
// kept (unless RemoteHandle asks for the same window); an older one fails quietly, as the
// handle of a window that has gone.
HWND SenderHandle(int pid, std::uint64_t id);
void SenderHandleDone(HWND hWnd);
// Entries in the handle table, for tests that watch it for growth.
std::size_t HandleTableSize();
bool RemoteTarget(HWND hWnd, int* pid, std::uint64_t* id);
// The process of a window of another process, as it was when the handle was made: a later
// process that got its pid is not it. Empty for a local window or no window.
ProcessIdentity RemoteProcess(HWND hWnd);
// Every top-level window of this process that has a title.
std::vector<CWnd*> TopLevelWindows();
} // namespace zwin
