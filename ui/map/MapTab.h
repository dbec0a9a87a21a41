#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "run/run_outcome.h"
#include "ui/map/MapBoundaries.h"
#include "ui/map/UnitMap.h"

class QComboBox;
class QPushButton;

namespace tolven {

class MapWidget;

// The graph dialog's tab "地図": the map of one unit of the last run with
// the choice of the value shown (表示する値) and of the classes, a button
// that shows the whole unit again and 全グループを保存, which writes one map
// per unit into a chosen folder. The boundaries are read once by the caller;
// a unit is projected when it is shown. Reads `outcome` and `boundaries`
// without copying them: both must outlive the tab.
class MapTab : public QWidget {
    Q_OBJECT
public:
    MapTab(const RunOutcome& outcome, const MapBoundaries& boundaries, QString inputName,
           QWidget* parent = nullptr);
    ~MapTab() override;

    // Draws `unit` (again, when the value or the classes changed).
    void showUnit(const UnitOutcome& unit);
    // What to show below the map: regions left off, projection trouble.
    QStringList notes() const { return notes_; }
    // Saves the map as shown through the platform's save chooser.
    void save();
    // Writes every unit's map into a folder chosen through the platform.
    void saveAllUnits();

    MapWidget* mapWidget() const { return widget_; }
    QComboBox* valueChoice() const { return valueChoice_; }
    QComboBox* classingChoice() const { return classingChoice_; }
    const UnitMap* unitMap() const { return map_.get(); }

private:
    void redraw();
    QString hoverText(long feature) const;
    MapValue value() const;
    MapClassing classing() const;

    const RunOutcome& outcome_;
    const MapBoundaries& boundaries_;
    QString inputName_;
    const UnitOutcome* unit_ = nullptr;
    std::unique_ptr<PlaneOutlines> plane_;
    std::unique_ptr<MapPathCache> cache_;
    std::unique_ptr<UnitMap> map_;
    QStringList notes_;
    QComboBox* valueChoice_;
    QComboBox* classingChoice_;
    MapWidget* widget_;
};

}  // namespace tolven
