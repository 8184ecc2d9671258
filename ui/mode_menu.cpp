#include "ui/mode_menu.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QStandardItemModel>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "records/output_modes.h"
#include "shell/mode_catalogue.h"

namespace {

constexpr int kModeRole = Qt::UserRole + 1;
constexpr int kPopupMinimumWidth = 380;

QString Caption(const ModeMenuEntry& e) { return QString("%1  %2").arg(e.mode).arg(e.name); }

bool AllDigits(const QString& word) {
    return !word.isEmpty() && std::all_of(word.begin(), word.end(), [](QChar c) { return c.isDigit(); });
}

bool IsMode(const QTreeWidgetItem* item) { return item && item->parent(); }

// What the menu adds to a mode: a qualifier that tells it from another of
// the same name, or a description of a code the catalogue leaves unnamed,
// and a tooltip that says what sets it apart.
struct MenuWords {
    int32_t mode;
    const char* qualifier;
    const char* about;
};

constexpr const char* kPieces = "its net in pieces; the one-piece twin has the same name";
constexpr const char* kOnePiece = "its net in one piece, as its 3D export lays it; the twin of the same name has it in pieces";

constexpr MenuWords kMenuWords[] = {
    {kModeYangCube, "in pieces", kPieces},
    {kModeYangDodecahedron, "in pieces", kPieces},
    {kModeYangIcosahedron, "in pieces", kPieces},
    {kModeSquirclecube, "in pieces", kPieces},
    {kModeYangCubeMonofrag, "one piece", kOnePiece},
    {kModeYangDodecahedronMonofrag, "one piece", kOnePiece},
    {kModeYangIcosahedronMonofrag, "one piece", kOnePiece},
    {kModeSquirclecubeMonofrag, "one piece", kOnePiece},
    {kModeCardioid, "whole-sphere disc",
     "the whole sphere in a disc: the north pole at the centre, the south pole all round the rim"},
    {kModeYangTetFloret, "5-lobe floret on the rind ball", "five lobes opened about the rind ball's net"},
    {kModeShape22, "solid of shape 22", "the net of the solid of shape code 22"},
};

const MenuWords* WordsOf(int32_t mode) {
    for (const MenuWords& w : kMenuWords)
        if (w.mode == mode) return &w;
    return nullptr;
}

}  // namespace

std::vector<ModeMenuEntry> OutputModeMenuEntries() {
    std::vector<ModeMenuEntry> entries;
    for (const OutputMenuEntry& e : OutputMenuEntries()) {
        ModeMenuEntry m;
        m.mode = e.code;
        const char* name = VorneskOutputModeName(e.code);
        const MenuWords* words = WordsOf(e.code);
        m.name = QString::fromUtf8(IsModeName(name) ? name : "");
        if (words) m.name = m.name.isEmpty() ? QString::fromUtf8(words->qualifier)
                                             : m.name + " (" + QString::fromUtf8(words->qualifier) + ")";
        if (m.name.isEmpty()) m.name = QString::fromStdString(e.caption);
        m.about = words ? QString::fromUtf8(words->about) : QString();
        m.synonym = QString::fromUtf8(VorneskOutputModeNameSynonym(e.code));
        m.family = QString::fromUtf8(ModeFamilyName(e.family));
        m.refusal = QString::fromStdString(e.refusal);
        entries.push_back(std::move(m));
    }
    return entries;
}

bool ModeMatchesQuery(const ModeMenuEntry& e, const QString& query) {
    const QString words = (e.name + ' ' + e.synonym + ' ' + e.family + ' ' + e.about).toLower();
    const QString number = QString::number(e.mode);
    for (const QString& word : query.toLower().split(' ', Qt::SkipEmptyParts)) {
        if (AllDigits(word) && number.startsWith(word)) continue;
        if (!words.contains(word)) return false;
    }
    return true;
}

ModeMenu::ModeMenu(QWidget* parent) : QComboBox(parent) {}

ModeMenu::~ModeMenu() { delete popup_; }

void ModeMenu::setEntries(std::vector<ModeMenuEntry> entries) {
    entries_ = std::move(entries);
    clear();
    auto* model = qobject_cast<QStandardItemModel*>(this->model());
    for (size_t i = 0; i < entries_.size(); ++i) {
        const ModeMenuEntry& e = entries_[i];
        addItem(Caption(e), e.mode);
        QStandardItem* item = model ? model->item(int(i)) : nullptr;
        if (!item) continue;
        item->setEnabled(e.refusal.isEmpty());
        item->setToolTip(e.refusal.isEmpty() ? e.about : e.refusal);
    }
}

void ModeMenu::showPopup() {
    if (popup_) return;
    popup_ = new QFrame(this, Qt::Popup);
    popup_->setObjectName("output_menu");
    popup_->setFrameShape(QFrame::StyledPanel);
    auto* column = new QVBoxLayout(popup_);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);
    search_ = new QLineEdit(popup_);
    search_->setObjectName("output_search");
    search_->setPlaceholderText("type a name, a kind or a number");
    search_->setClearButtonEnabled(true);
    column->addWidget(search_);
    list_ = new QTreeWidget(popup_);
    list_->setObjectName("output_list");
    list_->setHeaderHidden(true);
    list_->setRootIsDecorated(false);
    list_->setIndentation(12);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setFocusPolicy(Qt::NoFocus);
    column->addWidget(list_);

    // Families head the list in the order their first mode comes; every row
    // of one height, so that the list's height holds maxVisibleItems rows.
    const int row = std::max(list_->fontMetrics().height() + 6, 16);
    std::vector<std::pair<QString, QTreeWidgetItem*>> families;
    QTreeWidgetItem* current = nullptr;
    for (const ModeMenuEntry& e : entries_) {
        auto family = std::find_if(families.begin(), families.end(), [&](const auto& f) { return f.first == e.family; });
        if (family == families.end()) {
            auto* heading = new QTreeWidgetItem(list_, QStringList{e.family});
            heading->setFlags(Qt::ItemIsEnabled);
            QFont bold = heading->font(0);
            bold.setBold(true);
            heading->setFont(0, bold);
            heading->setSizeHint(0, QSize(0, row));
            families.emplace_back(e.family, heading);
            family = families.end() - 1;
        }
        auto* item = new QTreeWidgetItem(family->second, QStringList{Caption(e)});
        item->setData(0, kModeRole, e.mode);
        item->setSizeHint(0, QSize(0, row));
        item->setFlags(e.refusal.isEmpty() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags);
        item->setToolTip(0, e.refusal.isEmpty() ? e.about : e.refusal);
        if (e.mode == currentData().toInt()) current = item;
    }
    list_->expandAll();

    // At most maxVisibleItems rows high, and never off the screen.
    int rows = 0;
    for (const auto& f : families) rows += 1 + f.second->childCount();
    rows = std::min(rows, std::max(maxVisibleItems(), 1));
    list_->setFixedHeight(rows * row + 2 * list_->frameWidth());
    popup_->adjustSize();
    const int width = std::max({this->width(), kPopupMinimumWidth, popup_->sizeHint().width()});
    popup_->resize(width, popup_->sizeHint().height());
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen* screen = this->screen()) {
        const QRect room = screen->availableGeometry();
        if (at.y() + popup_->height() > room.bottom()) at.setY(std::max(room.top(), mapToGlobal(QPoint(0, 0)).y() - popup_->height()));
        at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - popup_->width())));
    }
    popup_->move(at);

    connect(search_, &QLineEdit::textChanged, popup_, [this](const QString& text) { filter(text); });
    connect(list_, &QTreeWidget::itemClicked, popup_, [this](QTreeWidgetItem* item) { choose(item); });
    search_->installEventFilter(this);
    popup_->installEventFilter(this);
    popup_->show();
    search_->setFocus();
    if (current) {
        list_->setCurrentItem(current);
        list_->scrollToItem(current, QAbstractItemView::PositionAtCenter);
    }
}

void ModeMenu::hidePopup() {
    if (!popup_) return;
    QFrame* popup = popup_;
    popup_ = nullptr;
    search_ = nullptr;
    list_ = nullptr;
    popup->removeEventFilter(this);
    popup->hide();
    popup->deleteLater();
}

void ModeMenu::filter(const QString& query) {
    if (!list_) return;
    for (int f = 0; f < list_->topLevelItemCount(); ++f) {
        QTreeWidgetItem* family = list_->topLevelItem(f);
        bool any = false;
        for (int i = 0; i < family->childCount(); ++i) {
            QTreeWidgetItem* item = family->child(i);
            const int32_t mode = item->data(0, kModeRole).toInt();
            const auto e = std::find_if(entries_.begin(), entries_.end(), [mode](const auto& m) { return m.mode == mode; });
            const bool shown = e != entries_.end() && ModeMatchesQuery(*e, query);
            item->setHidden(!shown);
            any = any || shown;
        }
        family->setHidden(!any);
    }
    selectFirstChoosable();
}

void ModeMenu::selectFirstChoosable() {
    QTreeWidgetItem* current = list_->currentItem();
    if (IsMode(current) && !current->isHidden() && !current->parent()->isHidden() &&
        (current->flags() & Qt::ItemIsSelectable) && search_->text().isEmpty())
        return;
    for (int f = 0; f < list_->topLevelItemCount(); ++f) {
        QTreeWidgetItem* family = list_->topLevelItem(f);
        if (family->isHidden()) continue;
        for (int i = 0; i < family->childCount(); ++i) {
            QTreeWidgetItem* item = family->child(i);
            if (item->isHidden() || !(item->flags() & Qt::ItemIsSelectable)) continue;
            list_->setCurrentItem(item);
            list_->scrollToItem(item);
            return;
        }
    }
    list_->setCurrentItem(nullptr);
}

void ModeMenu::choose(QTreeWidgetItem* item) {
    if (!IsMode(item) || !(item->flags() & Qt::ItemIsSelectable)) return;
    const int index = findData(item->data(0, kModeRole));
    hidePopup();
    if (index < 0) return;
    setCurrentIndex(index);
    emit activated(index);
}

bool ModeMenu::eventFilter(QObject* watched, QEvent* event) {
    if (watched == popup_ && event->type() == QEvent::Hide) {
        // Closed by a click elsewhere.
        QMetaObject::invokeMethod(this, [this] { hidePopup(); }, Qt::QueuedConnection);
        return false;
    }
    if (watched != search_ || event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // Moves within the list, on over the headings and greyed modes.
            for (int step = 0; step < 64; ++step) {
                const QTreeWidgetItem* before = list_->currentItem();
                QApplication::sendEvent(list_, event);
                const QTreeWidgetItem* now = list_->currentItem();
                if (!now || now == before || (now->flags() & Qt::ItemIsSelectable)) break;
            }
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            choose(list_->currentItem());
            return true;
        case Qt::Key_Escape:
            hidePopup();
            return true;
        default:
            return false;
    }
}
