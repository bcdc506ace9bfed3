#pragma once
// The undo history of a document. A document keeps one image of its state as it stood after
// the last committed edit; committing compares the live state with it and keeps only what
// differs (the objects taken out, put in and changed, and the drawing's table, settings and
// report when they changed) as one step. A step therefore costs what the edit changed, never a
// copy of the drawing, and undoing or redoing it changes exactly those objects back.

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tubra/model/Drawing.h"
#include "tubra/model/DrawingSettings.h"

namespace tubra::model {

// The listed objects as they stood at the last commit. An object is known by its address while
// it is listed; an address used again for another object only makes a step larger, never wrong.
struct ListImage {
    std::vector<const PipeObject*> ids;
    std::vector<PipeObject> objects;

    void take(const ObjectList& list);
};

// What one edit did to one list.
struct ListChange {
    struct Item {
        std::size_t index = 0;
        PipeObject object;
    };
    struct Changed {
        std::size_t index = 0;  // in the list after the edit
        PipeObject before, after;
    };
    std::vector<Item> removed;   // by position before the edit, ascending
    std::vector<Item> inserted;  // by position after the edit, ascending
    std::vector<Changed> changed;

    bool empty() const { return removed.empty() && inserted.empty() && changed.empty(); }
    std::size_t objectCount() const { return removed.size() + inserted.size() + 2 * changed.size(); }
};

// Compares a list with its image: what the edits since the image made of it.
ListChange compareList(const ListImage& image, const ObjectList& list);

// The same, looking only at the positions the list's change log names since `since`: the
// image stood at `since`, and the list has kept its epoch and not shrunk.
ListChange compareLogged(const ListImage& image, const ObjectList& list, const ListCursor& since);

// Brings an image up to the list a change was found in (see compareList).
void advanceImage(const ListChange& change, const ObjectList& list, ListImage& image);

// Carries a change forward (after == true) or back over a list and its image, which must both
// stand on the other side of it; returns the objects the change put in or changed.
std::vector<const PipeObject*> applyChange(const ListChange& change, bool after, ObjectList& list,
                                           ListImage& image);

// The drawing's own values beside its objects that a file holds.
// The zoom and the report page are the view's, stored with the drawing: they follow the view,
// not the history.
struct DrawingValues {
    CharacteristicTable table;
    TitleBlock title;
    std::int32_t PageSize = 0;
    AxisSettings AxisSet;
    double X_AxisAngle = 30.0;
    double Y_AxisAngle = 30.0;

    static DrawingValues of(const Drawing& d);
    void applyTo(Drawing& d) const;
    friend bool operator==(const DrawingValues&, const DrawingValues&) = default;
};

// One committed edit.
struct HistoryStep {
    std::string name;  // what the user did, for the menu ("移动对象"), UTF-8
    ListChange objects;
    ListChange discarded;
    std::optional<std::pair<DrawingValues, DrawingValues>> values;
    std::optional<std::pair<DrawingSettings, DrawingSettings>> settings;
    std::optional<std::pair<std::string, std::string>> report;  // the report sections as written

    bool empty() const {
        return objects.empty() && discarded.empty() && !values && !settings && !report;
    }
    // About what the step holds, in bytes.
    std::size_t bytes() const;
};

// The steps of a document, oldest first, and where the document stands among them.
class History {
public:
    // At least this many steps are kept, and more while they fit in kMaxBytes.
    static constexpr std::size_t kMinSteps = 200;
    static constexpr std::size_t kMaxSteps = 1000;
    static constexpr std::size_t kMaxBytes = std::size_t{256} << 20;

    // Keeps a new step after the current position, dropping the steps that could be redone.
    void push(HistoryStep step);
    const HistoryStep* undoStep() const { return position_ > 0 ? &steps_[position_ - 1] : nullptr; }
    const HistoryStep* redoStep() const { return position_ < steps_.size() ? &steps_[position_] : nullptr; }
    void stepBack() { --position_; }
    void stepForward() { ++position_; }
    void clear();

    // The file was saved at the current position; whether the document stands there.
    void markSaved() { saved_ = static_cast<long>(position_); }
    void markUnsaved() { saved_ = -1; }
    bool atSaved() const { return saved_ == static_cast<long>(position_); }

    std::size_t size() const { return steps_.size(); }
    std::size_t position() const { return position_; }
    std::size_t bytes() const { return bytes_; }

private:
    std::vector<HistoryStep> steps_;
    std::size_t position_ = 0;
    std::size_t bytes_ = 0;
    long saved_ = 0;  // -1: no position of the history is the saved file
};

}  // namespace tubra::model
