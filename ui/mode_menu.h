// The output menu: a pop-up whose items stay one per mode in code order
// (the stepper, the settings and the tests read it as any pop-up), shown as
// a list grouped by family with each mode's number beside its name, and a
// field above it that filters the list as the user types: by name, synonym,
// family or number. Modes this build cannot render are greyed with the
// reason as their tooltip. The list is at most maxVisibleItems rows high.
#pragma once

#include <QComboBox>
#include <QString>
#include <cstdint>
#include <vector>

class QFrame;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

// One mode of the menu.
struct ModeMenuEntry {
    int32_t mode = 0;
    QString name;        // as the menu shows it, a qualifier included ("YangCube (one piece)")
    QString synonym;     // a generic word ("azimuthal"), or empty
    QString family;      // the heading it is grouped under ("maps")
    QString about;       // what sets it apart from a mode of the same name, or empty
    QString refusal;     // why this build cannot render it, or empty when it renders
};

// The output menu's entries, in code order: the catalogue's modes with
// their families and refusals, the modes that share a name told apart by a
// short qualifier that says what differs, and the codes the catalogue
// leaves unnamed described.
std::vector<ModeMenuEntry> OutputModeMenuEntries();

// Whether every word of query (lower case, split at blanks) is found in the
// entry: a word of digits at the start of its number or in its words, any
// other word in its name, synonym or family.
bool ModeMatchesQuery(const ModeMenuEntry& entry, const QString& query);

class ModeMenu : public QComboBox {
public:
    explicit ModeMenu(QWidget* parent = nullptr);
    ~ModeMenu() override;

    // The items, in code order; the families head the list in the order
    // their first mode comes.
    void setEntries(std::vector<ModeMenuEntry> entries);
    const std::vector<ModeMenuEntry>& entries() const { return entries_; }

    void showPopup() override;
    void hidePopup() override;

    // The open list and its field; null while closed.
    QFrame* popupFrame() const { return popup_; }
    QLineEdit* searchField() const { return search_; }
    QTreeWidget* list() const { return list_; }

private:
    void filter(const QString& query);
    void choose(QTreeWidgetItem* item);
    void selectFirstChoosable();
    bool eventFilter(QObject* watched, QEvent* event) override;

    std::vector<ModeMenuEntry> entries_;
    QFrame* popup_ = nullptr;
    QLineEdit* search_ = nullptr;
    QTreeWidget* list_ = nullptr;
};
