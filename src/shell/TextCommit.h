#pragma once

#include <QObject>

#include <functional>
#include <vector>

class QLineEdit;

// A text box commits its text when the focus leaves it for another control
// of the same window (not when the window itself loses the focus). When the
// commit refuses the text, the box gets the focus back and the pointer press
// that took it away is dropped, so the control clicked does not act on it;
// the user's next click acts.
class TextCommit : public QObject {
public:
    // lostFocus(k) returns false when it refused the text of box k.
    TextCommit(QObject *parent, std::vector<QLineEdit *> boxes, std::function<bool(int)> lostFocus,
               std::function<void(int)> gotFocus = {});

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
