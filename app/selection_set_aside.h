#pragma once

#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>

// A colour change on a text edit applies to its selection. While a log line is written, the operator's
// selection (made to copy text) is set aside so that only new lines take the colour; it is then put back,
// together with the scroll position that restoring a cursor would otherwise change.
class SelectionSetAside {
public:
    explicit SelectionSetAside(QTextEdit& edit) : edit(edit), selection(edit.textCursor()) {
        if (!selection.hasSelection())
            return;
        QTextCursor plain = selection;
        plain.clearSelection();
        setCursorKeepingView(plain);
    }
    ~SelectionSetAside() {
        if (selection.hasSelection())
            setCursorKeepingView(selection);
    }
    SelectionSetAside(const SelectionSetAside&) = delete;
    SelectionSetAside& operator=(const SelectionSetAside&) = delete;

private:
    void setCursorKeepingView(const QTextCursor& cursor) {
        const int horizontal = edit.horizontalScrollBar()->value();
        const int vertical = edit.verticalScrollBar()->value();
        edit.setTextCursor(cursor);
        edit.horizontalScrollBar()->setValue(horizontal);
        edit.verticalScrollBar()->setValue(vertical);
    }

    QTextEdit& edit;
    const QTextCursor selection;
};
