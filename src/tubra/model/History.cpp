#include "tubra/model/History.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "platform/FreshMemory.h"

namespace tubra::model {

void ListImage::take(const ObjectList& list) {
    ids.clear();
    objects.clear();
    ids.reserve(list.size());
    if (objects.capacity() < list.size()) {
        objects.reserve(list.size());
        platform::preferHugePages(objects.data(), objects.capacity() * sizeof(PipeObject));
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        ids.push_back(&list.at(i));
        objects.push_back(list.at(i));
    }
}

ListChange compareList(const ListImage& image, const ObjectList& list) {
    ListChange out;
    const std::size_t n = list.size();
    bool samePlaces = n == image.ids.size();
    for (std::size_t i = 0; samePlaces && i < n; ++i) samePlaces = image.ids[i] == &list.at(i);
    if (samePlaces) {
        for (std::size_t i = 0; i < n; ++i)
            if (!(list.at(i) == image.objects[i]))
                out.changed.push_back({i, image.objects[i], list.at(i)});
        return out;
    }
    std::unordered_map<const PipeObject*, std::size_t> before;
    before.reserve(image.ids.size());
    for (std::size_t i = 0; i < image.ids.size(); ++i) before.emplace(image.ids[i], i);
    std::vector<bool> kept(image.ids.size(), false);
    bool inOrder = true;
    long lastKept = -1;
    for (std::size_t j = 0; j < n && inOrder; ++j) {
        const auto it = before.find(&list.at(j));
        if (it == before.end() || kept[it->second]) {
            out.inserted.push_back({j, list.at(j)});
            continue;
        }
        if (static_cast<long>(it->second) < lastKept) inOrder = false;
        lastKept = static_cast<long>(it->second);
        kept[it->second] = true;
        if (!(list.at(j) == image.objects[it->second]))
            out.changed.push_back({j, image.objects[it->second], list.at(j)});
    }
    if (!inOrder) {
        // Objects changed places: the step holds the lists whole (no edit of the program does
        // this, but the history stays right if one does).
        ListChange whole;
        for (std::size_t i = 0; i < image.objects.size(); ++i)
            whole.removed.push_back({i, image.objects[i]});
        for (std::size_t j = 0; j < n; ++j) whole.inserted.push_back({j, list.at(j)});
        return whole;
    }
    for (std::size_t i = 0; i < image.ids.size(); ++i)
        if (!kept[i]) out.removed.push_back({i, image.objects[i]});
    return out;
}

ListChange compareLogged(const ListImage& image, const ObjectList& list, const ListCursor& since) {
    ListChange out;
    const std::size_t before = image.ids.size();
    std::vector<std::size_t> at(list.changes().begin() + static_cast<long>(since.seen),
                                list.changes().end());
    std::sort(at.begin(), at.end());
    at.erase(std::unique(at.begin(), at.end()), at.end());
    for (std::size_t i : at)
        if (i < before && !(list.at(i) == image.objects[i]))
            out.changed.push_back({i, image.objects[i], list.at(i)});
    for (std::size_t j = before; j < list.size(); ++j) out.inserted.push_back({j, list.at(j)});
    return out;
}

namespace {

void setObject(ObjectList& list, ListImage& image, std::size_t index, const PipeObject& value) {
    list.at(index) = value;
    image.objects[index] = value;
}

void removeAt(ObjectList& list, ListImage& image, std::size_t index) {
    list.take(&list.at(index));
    image.ids.erase(image.ids.begin() + static_cast<long>(index));
    image.objects.erase(image.objects.begin() + static_cast<long>(index));
}

const PipeObject* insertAt(ObjectList& list, ListImage& image, std::size_t index,
                           const PipeObject& value) {
    const PipeObject* placed = &list.insert(index, std::make_unique<PipeObject>(value));
    image.ids.insert(image.ids.begin() + static_cast<long>(index), placed);
    image.objects.insert(image.objects.begin() + static_cast<long>(index), value);
    return placed;
}

}  // namespace

void advanceImage(const ListChange& change, const ObjectList& list, ListImage& image) {
    for (auto it = change.removed.rbegin(); it != change.removed.rend(); ++it) {
        image.ids.erase(image.ids.begin() + static_cast<long>(it->index));
        image.objects.erase(image.objects.begin() + static_cast<long>(it->index));
    }
    for (const auto& item : change.inserted) {
        image.ids.insert(image.ids.begin() + static_cast<long>(item.index), &list.at(item.index));
        image.objects.insert(image.objects.begin() + static_cast<long>(item.index), item.object);
    }
    for (const auto& c : change.changed) image.objects[c.index] = c.after;
}

std::vector<const PipeObject*> applyChange(const ListChange& change, bool after, ObjectList& list,
                                           ListImage& image) {
    std::vector<const PipeObject*> touched;
    if (after) {
        for (auto it = change.removed.rbegin(); it != change.removed.rend(); ++it)
            removeAt(list, image, it->index);
        for (const auto& item : change.inserted)
            touched.push_back(insertAt(list, image, item.index, item.object));
        for (const auto& c : change.changed) {
            setObject(list, image, c.index, c.after);
            touched.push_back(&list.at(c.index));
        }
    } else {
        for (const auto& c : change.changed) setObject(list, image, c.index, c.before);
        std::vector<std::size_t> changedAt;
        for (const auto& c : change.changed) changedAt.push_back(c.index);
        for (auto it = change.inserted.rbegin(); it != change.inserted.rend(); ++it) {
            removeAt(list, image, it->index);
            // The changed objects after it move one place up.
            for (std::size_t& at : changedAt)
                if (at > it->index) --at;
        }
        // Known by address, the changed ones survive the insertions that follow.
        for (std::size_t at : changedAt) touched.push_back(&list.at(at));
        for (const auto& item : change.removed)
            touched.push_back(insertAt(list, image, item.index, item.object));
    }
    return touched;
}

DrawingValues DrawingValues::of(const Drawing& d) {
    DrawingValues v;
    v.table = d.table;
    v.title = d.title;
    v.PageSize = d.PageSize;
    v.AxisSet = d.AxisSet;
    v.X_AxisAngle = d.X_AxisAngle;
    v.Y_AxisAngle = d.Y_AxisAngle;
    return v;
}

void DrawingValues::applyTo(Drawing& d) const {
    d.table = table;
    d.title = title;
    d.PageSize = PageSize;
    d.AxisSet = AxisSet;
    d.X_AxisAngle = X_AxisAngle;
    d.Y_AxisAngle = Y_AxisAngle;
}

namespace {

std::size_t objectBytes(const PipeObject& o) {
    std::size_t n = sizeof(PipeObject);
    for (const ObjectText* t : {&o.DistTxt, &o.CaiLiao, &o.GuiGe, &o.XingHao, &o.StartUse,
                                &o.LastCheck, &o.FirstCase, &o.LastCase, &o.MidCase})
        if (t->size() >= 16) n += t->size() + 1;  // beyond the short-string buffer
    return n;
}

std::size_t changeBytes(const ListChange& c) {
    std::size_t n = 0;
    for (const auto& i : c.removed) n += objectBytes(i.object) + sizeof(std::size_t);
    for (const auto& i : c.inserted) n += objectBytes(i.object) + sizeof(std::size_t);
    for (const auto& i : c.changed)
        n += objectBytes(i.before) + objectBytes(i.after) + sizeof(std::size_t);
    return n;
}

}  // namespace

std::size_t HistoryStep::bytes() const {
    std::size_t n =
        sizeof(HistoryStep) + name.size() + changeBytes(objects) + changeBytes(discarded);
    if (report) n += report->first.size() + report->second.size();
    return n;
}

void History::push(HistoryStep step) {
    while (steps_.size() > position_) {
        bytes_ -= steps_.back().bytes();
        steps_.pop_back();
    }
    // The saved file lay among the steps just dropped: no position reaches it any more.
    if (saved_ > static_cast<long>(position_)) saved_ = -1;
    bytes_ += step.bytes();
    steps_.push_back(std::move(step));
    ++position_;
    std::size_t drop = 0;
    std::size_t left = bytes_;
    while (steps_.size() - drop > kMinSteps &&
           (steps_.size() - drop > kMaxSteps || left > kMaxBytes)) {
        left -= steps_[drop].bytes();
        ++drop;
    }
    if (drop > 0) {
        steps_.erase(steps_.begin(), steps_.begin() + static_cast<long>(drop));
        bytes_ = left;
        position_ -= drop;
        saved_ = saved_ >= static_cast<long>(drop) ? saved_ - static_cast<long>(drop) : -1;
    }
}

void History::clear() {
    steps_.clear();
    position_ = 0;
    bytes_ = 0;
    saved_ = 0;
}

}  // namespace tubra::model
