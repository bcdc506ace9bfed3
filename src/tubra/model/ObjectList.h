#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "tubra/model/LengthText.h"
#include "tubra/model/PipeObject.h"

namespace tubra::model {

// The ordered objects of a drawing. The list owns its objects; their addresses stay valid
// while they are listed, so selections can refer to them. `Total` is the drawing's object
// count as the file stores it; every list operation keeps it equal to the count.
class ObjectList {
public:
    std::int32_t Total = 0;

    ObjectList() = default;
    ObjectList(const ObjectList& other);
    ObjectList& operator=(const ObjectList& other);
    // A list moved from is empty and begins an epoch of its own.
    ObjectList(ObjectList&& other) noexcept;
    ObjectList& operator=(ObjectList&& other) noexcept;

    // Constructs an object, gives it the initial values of its kind and appends it.
    // The axis angles decide the text angle of a new weld.
    PipeObject& addObject(const CreationValues& values, double xAxisAngle, double yAxisAngle);

    // Appends a copy of `source` with the copy initialisation of its kind; returns the copy.
    PipeObject& addCopy(const PipeObject& source);

    // Copies every field of `edited` into the listed object `listed`. False when not listed.
    bool replaceObject(const PipeObject* listed, const PipeObject& edited);

    std::size_t size() const { return objects_.size(); }
    bool empty() const { return objects_.empty(); }
    // Every way to an object that can change it (at, last, the iteration, the additions,
    // replaceObject) stamps it as changed; reading through a const list does not.
    PipeObject& at(std::size_t i) {
        PipeObject& o = *objects_.at(i);
        touch(i);
        return o;
    }
    const PipeObject& at(std::size_t i) const { return *objects_.at(i); }
    PipeObject& last() { return at(objects_.size() - 1); }
    const PipeObject& last() const { return *objects_.back(); }

    // --- what changed ---
    // A number that grows each time object `i` may have changed: compared with one kept from
    // before, it says whether what was worked out from the object still holds. Stamps are
    // unique across all lists of the program, so an object at the address of a deleted one
    // never passes for it.
    std::uint64_t stamp(std::size_t i) const { return std::max(stamps_.at(i), wholeStamp_); }
    // The positions stamped since the epoch began, in order (a position may come again). A new
    // epoch begins when positions move (an object taken out or put in before the end), when
    // every object may have changed, or when the log grows long: whoever follows the changes
    // (see ListCursor) then looks at every object again.
    std::uint64_t epoch() const { return epoch_; }
    const std::vector<std::size_t>& changes() const { return log_; }
    // The object for a step that says itself what it changed, with touch(): the view's layout
    // passes, which look at every object and change few.
    PipeObject& untracked(std::size_t i) { return *objects_.at(i); }
    void touch(std::size_t i);
    // Every object may have changed (an edit that does not say what it changed).
    void touchAll();

    int countOfKind(int mainType) const;
    int countOfKind(ObjectKind k) const { return countOfKind(kindValue(k)); }
    const PipeObject* lastOfKind(int mainType) const;
    const PipeObject* lastOfKind(ObjectKind k) const { return lastOfKind(kindValue(k)); }

    // The smallest weld number from `from` on that no listed weld carries.
    int freeWeldNumber(int from) const;

    // The lengths the length texts of all pipes state, and how many state none.
    LengthSum pipeLengths() const;
    // The sum of the lengths stated (mm).
    double totalPipeLength() const { return pipeLengths().mm; }

    // Position of a listed object, or -1.
    long indexOf(const PipeObject* object) const;
    bool contains(const PipeObject* object) const { return indexOf(object) >= 0; }

    // Takes a listed object out of the list and hands it over; null when not listed.
    std::unique_ptr<PipeObject> take(const PipeObject* object);
    // Appends an object, or inserts it at `index` (clamped to the end).
    PipeObject& append(std::unique_ptr<PipeObject> object);
    PipeObject& insert(std::size_t index, std::unique_ptr<PipeObject> object);

    void removeAll();

    // Iteration over the objects (as references).
    template <typename Base, typename Obj>
    class Iter {
    public:
        explicit Iter(Base it) : it_(it) {}
        Obj& operator*() const { return **it_; }
        Obj* operator->() const { return it_->get(); }
        Iter& operator++() {
            ++it_;
            return *this;
        }
        bool operator!=(const Iter& o) const { return it_ != o.it_; }
        bool operator==(const Iter& o) const { return it_ == o.it_; }

    private:
        Base it_;
    };
    using iterator = Iter<std::vector<std::unique_ptr<PipeObject>>::iterator, PipeObject>;
    using const_iterator =
        Iter<std::vector<std::unique_ptr<PipeObject>>::const_iterator, const PipeObject>;
    // Iterating a non-const list may change any object.
    iterator begin() {
        touchAll();
        return iterator(objects_.begin());
    }
    iterator end() { return iterator(objects_.end()); }
    const_iterator begin() const { return const_iterator(objects_.begin()); }
    const_iterator end() const { return const_iterator(objects_.end()); }

private:
    void sync() { Total = static_cast<std::int32_t>(objects_.size()); }
    static std::uint64_t nextStamp();
    void newEpoch();
    // The kinds and weld numbers of the list, kept up to date from its change log (so even
    // the const members change the list's own state: a list belongs to one thread at a time).
    struct Census {
        std::uint64_t epoch = 0;
        std::size_t seen = 0;
        std::vector<std::int32_t> kinds;    // by position
        std::vector<std::int32_t> numbers;  // by position, welds only
        std::map<std::int32_t, std::size_t> kindCount;
        std::map<std::int32_t, std::size_t> weldNumbers;
    };
    const Census& census() const;
    // The initial values a new or copied object takes from the last listed object of its kind.
    void inheritForKind(PipeObject& object, bool copying) const;

    std::vector<std::unique_ptr<PipeObject>> objects_;
    std::vector<std::uint64_t> stamps_;  // parallel to objects_
    std::uint64_t wholeStamp_ = 0;
    std::uint64_t epoch_ = nextStamp();
    std::vector<std::size_t> log_;
    mutable Census census_;
};

// Where one follower of a list's changes stands: at a position of the change log of an epoch.
struct ListCursor {
    std::uint64_t epoch = 0;
    std::size_t seen = 0;
    // Whether the log from `seen` on tells every change since the follower last caught up;
    // when not, it looks at every object.
    bool follows(const ObjectList& list) const {
        return epoch == list.epoch() && seen <= list.changes().size();
    }
    void catchUp(const ObjectList& list) {
        epoch = list.epoch();
        seen = list.changes().size();
    }
};

}  // namespace tubra::model
