// The module inspector: a small floating window over the main window that
// shows, for one instance of the schematic, a two-column grid of the
// variables it describes (row label and value) and writes edits straight
// into the instance. A drop-down list above the grid names every instance
// and switches to another one.
//
// The grid's rows point into the inspected instance. Whoever removes
// instances or replaces the schematic, and the start of a calculation,
// clears the inspector first (Clear), so no later edit writes through a row
// of an instance that is gone or that the calculation is using; while the
// calculation runs the inspector neither describes nor writes anything.
#pragma once

#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QComboBox;

namespace kmr {

class EditorEngine;

// The grid: only the value cells (column 1) can be selected and edited;
// the labels of column 0 stay put like the header above them.
class InspGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit InspGrid(QWidget *parent);

    // A value cell became the current one (its grid row, 1-based), after
    // the cell left has given its editor's text to the grid.
    std::function<void(int row)> CellSelected;
    // Enter in the grid or in a cell's editor, and F11.
    std::function<void()> EnterPressed, ClosePressed;

    // Hands the text of an open cell editor to its cell.
    void CommitOpenEditor();

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    class Delegate;
    Delegate *delegate_;
};

class TInsp : public QWidget {
    Q_OBJECT
public:
    // Made hidden, at the position kept in the settings store.
    TInsp(EditorEngine &engine, QWidget *owner);
    ~TInsp() override; // keeps the position in the settings store

    // Describes instance `n` (its slot) and shows the window; nothing when
    // there is no such instance or its type is not loaded.
    void OpenFor(int n);
    // All descriptor records to zeros and every value and label cell empty.
    void Clear();
    // Caption, headers and rows from the descriptor records; the instance
    // list anew, with the inspected instance selected.
    void Fill();
    // The window gained the focus: fresh values.
    void FormActivate();
    // An entry of the instance list was chosen.
    void ComboBoxChange(int index);
    // The grid's current row became `row`: the row left takes its cell's
    // text first.
    void CellSelected(int row);
    // Enter: the current row's action.
    void EnterKey();
    // The interface language changed: a shown inspector describes its
    // instance again, with the labels of the new language.
    void LanguageChanged();

    // True while nothing may describe or change an instance.
    void SetLocked(std::function<bool()> locked) { locked_ = std::move(locked); }

    int RowCount() const { return rows_; }
    int CurrentRow() const { return currentRow_; }
    int SelectedInstance() const { return selected_; }
    // The text of grid cell (col, row); row 0 is the header.
    QString Cell(int col, int row) const;

    QComboBox *ComboBox;
    InspGrid *StringGrid;

signals:
    // An edit or a row's action changed the inspected instance.
    void InstanceEdited();

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool Locked() const { return locked_ && locked_(); }
    // Describes instance `n`; false when it cannot be inspected.
    bool Describe(int n);
    void Commit();
    void SetCell(int col, int row, const QString &text);
    // Between the cell's text and the bytes of the row's variable.
    QString Shown(int row, const std::string &bytes) const;
    std::string Typed(int row, const QString &text) const;
    // The inspected instance's bytes, to tell whether an edit changed it.
    std::vector<char> Snapshot() const;

    EditorEngine &engine_;
    std::function<bool()> locked_;
    int rows_ = 0;
    int currentRow_ = -1;
    int selected_ = 0;
};

} // namespace kmr
