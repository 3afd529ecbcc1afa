// Message boxes answered by script and recorded instead of shown, for as long as the
// recorder lives. Only for tests that link the window back end.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/core/CString.h"
#include "platform/ui/MessageBox.h"

struct ShownBox {
    CString text;
    CString caption;
    UINT type;
};

class BoxRecorder {
public:
    explicit BoxRecorder(int answer = IDOK) : answer(answer) {
        m_previous = SetMessageBoxResponder([this](const CString& text, const CString& caption, UINT type) {
            m_shown.push_back(ShownBox{text, caption, type});
            if (onShown)
                onShown(m_shown.back());
            if (m_next.empty())
                return this->answer;
            const int next = m_next.front();
            m_next.pop_front();
            return next;
        });
    }
    ~BoxRecorder() { SetMessageBoxResponder(std::move(m_previous)); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    // The answers of the next boxes, in order; the boxes after them get `answer`.
    void AnswerNext(std::initializer_list<int> answers) { m_next.insert(m_next.end(), answers); }
    int answer;
    // Called with each box as it comes, before it is answered.
    std::function<void(const ShownBox&)> onShown;

    bool empty() const { return m_shown.empty(); }
    std::size_t size() const { return m_shown.size(); }
    const ShownBox& operator[](std::size_t i) const { return m_shown.at(i); }
    const ShownBox& back() const { return m_shown.back(); }
    auto begin() const { return m_shown.begin(); }
    auto end() const { return m_shown.end(); }
    std::vector<CString> Texts() const {
        std::vector<CString> texts;
        for (const ShownBox& box : m_shown)
            texts.push_back(box.text);
        return texts;
    }

private:
    MessageBoxResponder m_previous;
    std::vector<ShownBox> m_shown;
    std::deque<int> m_next;
};
