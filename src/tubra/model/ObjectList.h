#pragma once

#include <cstddef>
#include <memory>
#include <vector>

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
    ObjectList(ObjectList&&) noexcept = default;
    ObjectList& operator=(ObjectList&&) noexcept = default;

    // Constructs an object, gives it the initial values of its kind and appends it.
    // The axis angles decide the text angle of a new weld.
    PipeObject& addObject(const CreationValues& values, double xAxisAngle, double yAxisAngle);

    // Appends a copy of `source` with the copy initialisation of its kind; returns the copy.
    PipeObject& addCopy(const PipeObject& source);

    // Copies every field of `edited` into the listed object `listed`. False when not listed.
    bool replaceObject(const PipeObject* listed, const PipeObject& edited);

    std::size_t size() const { return objects_.size(); }
    bool empty() const { return objects_.empty(); }
    PipeObject& at(std::size_t i) { return *objects_.at(i); }
    const PipeObject& at(std::size_t i) const { return *objects_.at(i); }
    PipeObject& last() { return *objects_.back(); }
    const PipeObject& last() const { return *objects_.back(); }

    int countOfKind(int mainType) const;
    int countOfKind(ObjectKind k) const { return countOfKind(kindValue(k)); }
    const PipeObject* lastOfKind(int mainType) const;
    const PipeObject* lastOfKind(ObjectKind k) const { return lastOfKind(kindValue(k)); }

    // The smallest weld number from `from` on that no listed weld carries.
    int freeWeldNumber(int from) const;

    // Sum of the numeric values of the length texts of all pipes.
    double totalPipeLength() const;

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
    iterator begin() { return iterator(objects_.begin()); }
    iterator end() { return iterator(objects_.end()); }
    const_iterator begin() const { return const_iterator(objects_.begin()); }
    const_iterator end() const { return const_iterator(objects_.end()); }

private:
    void sync() { Total = static_cast<std::int32_t>(objects_.size()); }
    // The initial values a new or copied object takes from the last listed object of its kind.
    void inheritForKind(PipeObject& object, bool copying) const;

    std::vector<std::unique_ptr<PipeObject>> objects_;
};

}  // namespace tubra::model
