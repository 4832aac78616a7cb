#include "Uinsp.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <cstring>

#include "Cp1251.h"
#include "Globals.h"
#include "Insprows.h"
#include "Settings.h"
#include "Strings.h"

namespace kmr {

namespace {

QString Text(int number) { return QString::fromUtf8(GetString(number)); }

QString FromCp1251(const std::string &bytes) { return QString::fromStdString(Cp1251ToUtf8(bytes)); }

const QString kSection = QStringLiteral("Insp");
constexpr int kMinWidth = 140, kMinHeight = 370;
constexpr int kLabelWidth = 100, kRowHeight = 18;

bool IsEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

} // namespace

// ---------------------------------------------------------------------------
// The grid

// Keeps the open cell editor, and takes Enter and F11 from it before the
// editor or the view would.
class InspGrid::Delegate : public QStyledItemDelegate {
public:
    Delegate(InspGrid *grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QPointer<QWidget> editor;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override {
        QWidget *w = QStyledItemDelegate::createEditor(parent, option, index);
        const_cast<Delegate *>(this)->editor = w;
        return w;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (IsEnter(key) && grid_->EnterPressed) {
                grid_->EnterPressed();
                return true;
            }
            if (key == Qt::Key_F11 && grid_->ClosePressed) {
                grid_->ClosePressed();
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(watched, event);
    }

private:
    InspGrid *grid_;
};

InspGrid::InspGrid(QWidget *parent) : QTableWidget(kInspectorRows, 2, parent), delegate_(new Delegate(this)) {
    setItemDelegate(delegate_);
    setEditTriggers(QAbstractItemView::AllEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameStyle(QFrame::NoFrame);
    setTabKeyNavigation(true);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(kRowHeight);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setFixedHeight(kRowHeight);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    setColumnWidth(0, kLabelWidth);
    setColumnWidth(1, kLabelWidth);

    QPalette pal = palette();
    pal.setColor(QPalette::Base, QColor(139, 221, 248));
    setPalette(pal);

    setHorizontalHeaderItem(0, new QTableWidgetItem);
    setHorizontalHeaderItem(1, new QTableWidgetItem);
    const QBrush fixed = palette().button();
    for (int r = 0; r < kInspectorRows; ++r) {
        auto *label = new QTableWidgetItem;
        label->setFlags(Qt::ItemIsEnabled);
        label->setBackground(fixed);
        setItem(r, 0, label);
        auto *value = new QTableWidgetItem;
        value->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        setItem(r, 1, value);
    }
}

void InspGrid::CommitOpenEditor() {
    if (delegate_->editor) commitData(delegate_->editor);
}

void InspGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous) {
    // The view first gives the text of the cell left to its item.
    QTableWidget::currentChanged(current, previous);
    if (CellSelected && current.isValid() && current != previous) CellSelected(current.row() + 1);
}

QModelIndex InspGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    QModelIndex next = QTableWidget::moveCursor(action, modifiers);
    if (next.isValid() && next.column() != 1) next = model()->index(next.row(), 1);
    return next;
}

void InspGrid::mousePressEvent(QMouseEvent *event) {
    const QModelIndex at = indexAt(event->position().toPoint());
    if (at.isValid() && at.column() != 1) {
        event->accept();
        return;
    }
    QTableWidget::mousePressEvent(event);
}

void InspGrid::keyPressEvent(QKeyEvent *event) {
    if (IsEnter(event->key()) && EnterPressed) {
        EnterPressed();
        return;
    }
    if (event->key() == Qt::Key_F11 && ClosePressed) {
        ClosePressed();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------------------
// The window

TInsp::TInsp(EditorEngine &engine, QWidget *owner) : QWidget(owner, Qt::Tool), engine_(engine) {
    setObjectName(QStringLiteral("Insp"));
    setWindowTitle(QStringLiteral("Инспектор модулей"));
    setMinimumSize(kMinWidth, kMinHeight);
    resize(210, 370);

    ComboBox = new QComboBox(this);
    ComboBox->setObjectName(QStringLiteral("ComboBox"));
    ComboBox->setEditable(true);
    ComboBox->setInsertPolicy(QComboBox::NoInsert);
    ComboBox->installEventFilter(this);
    ComboBox->lineEdit()->installEventFilter(this);
    connect(ComboBox, &QComboBox::activated, this, &TInsp::ComboBoxChange);

    StringGrid = new InspGrid(this);
    StringGrid->setObjectName(QStringLiteral("StringGrid"));
    StringGrid->CellSelected = [this](int row) { CellSelected(row); };
    StringGrid->EnterPressed = [this] { EnterKey(); };
    StringGrid->ClosePressed = [this] { hide(); };

    SettingsStore store;
    move(store.Integer(kSection, QStringLiteral("Left"), 10), store.Integer(kSection, QStringLiteral("Top"), 10));
}

TInsp::~TInsp() {
    SettingsStore store;
    store.SetInteger(kSection, QStringLiteral("Top"), y());
    store.SetInteger(kSection, QStringLiteral("Left"), x());
}

QString TInsp::Cell(int col, int row) const {
    if (col < 0 || col > 1) return {};
    if (row == 0) return StringGrid->horizontalHeaderItem(col)->text();
    const QTableWidgetItem *item = StringGrid->item(row - 1, col);
    return item ? item->text() : QString();
}

void TInsp::SetCell(int col, int row, const QString &text) {
    if (row == 0)
        StringGrid->horizontalHeaderItem(col)->setText(text);
    else if (QTableWidgetItem *item = StringGrid->item(row - 1, col))
        item->setText(text);
}

QString TInsp::Shown(int row, const std::string &bytes) const {
    if (row >= 1 && row <= kInspectorRows && engine_.Descr[row - 1].Type == _FILENAME)
        return QFile::decodeName(QByteArray::fromStdString(bytes));
    return FromCp1251(bytes);
}

std::string TInsp::Typed(int row, const QString &text) const {
    if (row >= 1 && row <= kInspectorRows && engine_.Descr[row - 1].Type == _FILENAME)
        return QFile::encodeName(text).toStdString();
    return Utf8ToCp1251(text.toStdString());
}

std::vector<char> TInsp::Snapshot() const {
    if (rows_ == 0 || Locked()) return {};
    const MODULE *m = engine_.Scheme.Get(selected_);
    if (!m) return {};
    const int size = kmd::Size(engine_.Types.GetType(m->Index));
    if (size < int(sizeof(MODULE))) return {};
    const char *bytes = reinterpret_cast<const char *>(m);
    return std::vector<char>(bytes, bytes + size);
}

bool TInsp::Describe(int n) {
    MODULE *m = engine_.Scheme.Get(n);
    if (!m || !engine_.Types.GetType(m->Index).Loaded()) return false;
    Clear();
    const std::string name = Utf8ToCp1251(GetString(94));
    const std::string amp = Utf8ToCp1251(GetString(95));
    DescribeInstance(engine_.Descr, engine_.Types, m, name.c_str(), amp.c_str());
    selected_ = n;
    return true;
}

void TInsp::OpenFor(int n) {
    if (Locked() || !Describe(n)) return;
    show();
    raise();
    activateWindow();
    FormActivate();
}

void TInsp::Clear() {
    ClearDescriptors(engine_.Descr);
    rows_ = 0;
    for (int r = 1; r <= kInspectorRows; ++r) {
        SetCell(0, r, QString());
        SetCell(1, r, QString());
    }
}

void TInsp::Fill() {
    setWindowTitle(Text(93));
    SetCell(0, 0, Text(96));
    SetCell(1, 0, Text(97));
    int i = 0;
    for (; i < kInspectorRows && engine_.Descr[i].Type != _NONE; ++i) {
        const DESCRIPTOR &d = engine_.Descr[i];
        SetCell(1, i + 1, Shown(i + 1, RowText(&d)));
        SetCell(0, i + 1, FromCp1251(std::string(d.Name, strnlen(d.Name, sizeof d.Name))));
    }
    rows_ = i;

    const QSignalBlocker quiet(ComboBox);
    ComboBox->clear();
    for (const std::string &name : InstanceListNames(engine_.Scheme)) ComboBox->addItem(FromCp1251(name));
    ComboBox->setCurrentIndex(selected_ - 1 < ComboBox->count() ? selected_ - 1 : -1);
}

void TInsp::FormActivate() {
    // The calculation compacts the scheme and calls the instances: the
    // window shows what it has until the run has ended.
    if (Locked()) return;
    if (engine_.Scheme.CountInstances() < selected_) Clear();
    Fill();
}

void TInsp::ComboBoxChange(int index) {
    if (index < 0 || Locked() || !Describe(index + 1)) return;
    Fill();
    show();
}

void TInsp::LanguageChanged() {
    if (isVisible() && !Locked() && Describe(selected_)) Fill();
}

void TInsp::CellSelected(int row) {
    Commit();
    currentRow_ = row;
}

void TInsp::Commit() {
    const int r = currentRow_;
    if (r < 1 || r > kInspectorRows) return;
    // While a calculation runs there are no rows: what was typed goes.
    const bool writable = !Locked() && rows_ > 0;
    const std::vector<char> before = Snapshot();
    const std::string shown = writable ? CommitRow(engine_.Descr, rows_, r, Typed(r, Cell(1, r))) : std::string();
    SetCell(1, r, Shown(r, shown));
    if (writable && Snapshot() != before) emit InstanceEdited();
}

void TInsp::EnterKey() {
    QApplication::beep();
    const int r = currentRow_;
    if (r < 1 || r > kInspectorRows) return;
    StringGrid->CommitOpenEditor();
    const bool writable = !Locked() && rows_ > 0;
    const std::vector<char> before = Snapshot();
    const std::string shown =
        writable ? EnterRow(engine_.Descr, rows_, r, Typed(r, Cell(1, r)), engine_.Scheme.Get(selected_)) : std::string();
    SetCell(1, r, Shown(r, shown));
    if (writable && Snapshot() != before) emit InstanceEdited();
}

void TInsp::changeEvent(QEvent *event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
    QWidget::changeEvent(event);
}

void TInsp::resizeEvent(QResizeEvent *event) {
    const int w = std::max(width(), kMinWidth) - 10;
    ComboBox->setGeometry(0, 8, w, ComboBox->sizeHint().height());
    StringGrid->setGeometry(0, 32, w, std::max(height() - 40, 2 * kRowHeight));
    StringGrid->setColumnWidth(0, kLabelWidth);
    StringGrid->setColumnWidth(1, std::max(w - kLabelWidth, 0));
    QWidget::resizeEvent(event);
}

void TInsp::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_F11) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TInsp::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F11 &&
        (watched == ComboBox || watched == ComboBox->lineEdit())) {
        hide();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kmr
