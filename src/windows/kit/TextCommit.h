#pragma once

#include <QObject>

#include <functional>
#include <vector>

class QLineEdit;

// A text box commits its text when the focus leaves it for another control
// of the same window (not when the window itself loses the focus), and on
// Return. When the commit refuses the text, the box gets the focus back with
// its whole text selected, so typing replaces it, and the pointer press that
// took the focus away is dropped, so the control clicked does not act on it;
// the user's next click acts.
class TextCommit : public QObject {
public:
    // lostFocus(k) returns false when it refused the text of box k.
    TextCommit(QObject *parent, std::vector<QLineEdit *> boxes, std::function<bool(int)> lostFocus,
               std::function<void(int)> gotFocus = {});

    // Commits box k as leaving it would; false when the text was refused.
    bool commit(int k);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::vector<QLineEdit *> boxes;
    std::function<bool(int)> lostFocus;
    std::function<void(int)> gotFocus;
    void stopSwallowing();

    bool swallowPointer = false;
    bool pressSwallowed = false;
};

// Selects a box's whole text after the press that focused it has been
// handled (the press would otherwise undo the selection).
void SelectWholeText(QLineEdit *box, int length);
