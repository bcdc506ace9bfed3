#include "tubra/model/ObjectList.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <vector>

#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/model/InitialTexts.h"

namespace tubra::model {

namespace {

// Default texts of new welds, elbows, tees, valves and fittings (GBK).
struct Defaults {
    std::string material = "1Cr18Ni9Ti";
    std::string size = text::utf8ToGbk("φ100×10");
    std::string model = "ABCD";
    std::string startUse = "1980/01/01";
    std::string lastCheck = "1980/06/01";
    std::string firstCase = caseText("1980/01/01");
    std::string lastCase = caseText("2001/12/01");
    std::string midCase = caseText("1990/06/01");

    static std::string caseText(const char* date) {
        const std::string fmt =
            text::utf8ToGbk(std::string("日期:") + date + "%s当时壁厚:10 mm%s焊缝质量:Ⅰ级");
        return text::format(fmt, "\r\n", "\r\n");
    }
};

const Defaults& defaults() {
    static const Defaults d;
    return d;
}

constexpr double kDefaultWallThickness = 10.0;

}  // namespace

const std::string& initialSizeText() {
    return defaults().size;
}

std::uint64_t ObjectList::nextStamp() {
    static std::atomic<std::uint64_t> clock{0};
    return clock.fetch_add(1, std::memory_order_relaxed) + 1;
}

void ObjectList::newEpoch() {
    epoch_ = nextStamp();
    log_.clear();
}

void ObjectList::touch(std::size_t i) {
    stamps_.at(i) = nextStamp();
    // A log much longer than the list says no more than "everything".
    if (log_.size() > 4 * objects_.size() + 4096)
        newEpoch();
    else
        log_.push_back(i);
}

void ObjectList::touchAll() {
    wholeStamp_ = nextStamp();
    newEpoch();
}

ObjectList::ObjectList(const ObjectList& other) : Total(other.Total) {
    objects_.reserve(other.objects_.size());
    for (const auto& o : other.objects_) objects_.push_back(std::make_unique<PipeObject>(*o));
    stamps_.assign(objects_.size(), nextStamp());
}

ObjectList::ObjectList(ObjectList&& other) noexcept
    : Total(other.Total),
      objects_(std::move(other.objects_)),
      stamps_(std::move(other.stamps_)),
      wholeStamp_(other.wholeStamp_),
      epoch_(other.epoch_),
      log_(std::move(other.log_)) {
    other.objects_.clear();
    other.stamps_.clear();
    other.log_.clear();
    other.epoch_ = nextStamp();
    other.sync();
}

ObjectList& ObjectList::operator=(ObjectList&& other) noexcept {
    if (this != &other) {
        Total = other.Total;
        objects_ = std::move(other.objects_);
        stamps_ = std::move(other.stamps_);
        wholeStamp_ = other.wholeStamp_;
        epoch_ = other.epoch_;
        log_ = std::move(other.log_);
        other.objects_.clear();
        other.stamps_.clear();
        other.log_.clear();
        other.epoch_ = nextStamp();
        other.sync();
    }
    return *this;
}

ObjectList& ObjectList::operator=(const ObjectList& other) {
    if (this != &other) {
        ObjectList copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void ObjectList::inheritForKind(PipeObject& o, bool copying) const {
    const Defaults& d = defaults();
    const PipeObject* last = lastOfKind(o.MainType);
    switch (o.kind()) {
        case ObjectKind::Weld:
            // One more than the welds there are, unless a weld carries that number already
            // (after a delete): weld numbers name the welds of the inspection records.
            o.Number = freeWeldNumber(countOfKind(ObjectKind::Weld) + 1);
            if (last) {
                o.BiHou = last->BiHou;
                o.CaiLiao = last->CaiLiao;
                o.GuiGe = last->GuiGe;
                o.XingHao = last->XingHao;
                o.StartUse = last->StartUse;
                o.LastCheck = last->LastCheck;
                o.FirstCase = last->FirstCase;
                o.LastCase = last->LastCase;
                o.MidCase = last->MidCase;
            } else {
                o.BiHou = kDefaultWallThickness;
                o.CaiLiao = d.material;
                o.GuiGe = d.size;
                o.XingHao = d.model;
                o.StartUse = d.startUse;
                o.LastCheck = d.lastCheck;
                o.FirstCase = d.firstCase;
                o.LastCase = d.lastCase;
                o.MidCase = d.midCase;
            }
            break;
        case ObjectKind::Elbow:
        case ObjectKind::Tee:
        case ObjectKind::Valve:
        case ObjectKind::Fitting: {
            const bool symbol = o.is(ObjectKind::Valve) || o.is(ObjectKind::Fitting);
            if (last) {
                o.BiHou = last->BiHou;
                o.CaiLiao = last->CaiLiao;
                o.GuiGe = last->GuiGe;
                o.StartUse = last->StartUse;
                o.LastCheck = last->LastCheck;
                if (symbol) o.DistTxt = last->DistTxt;
            } else {
                o.BiHou = kDefaultWallThickness;
                o.CaiLiao = d.material;
                o.GuiGe = d.size;
                o.StartUse = d.startUse;
                o.LastCheck = d.lastCheck;
                if (symbol) o.DistTxt = " ";
            }
            break;
        }
        case ObjectKind::Accessory:
        case ObjectKind::SiteMark:
            // Columns start numbered, marks with a blank label (a copy keeps its own).
            if (!copying)
                if (const SymbolRow* s = symbolRowOf(o.MainType, o.SubType); s && !s->initialLabel.empty())
                    o.DistTxt = s->initialLabel;
            break;
        case ObjectKind::Pipe:
        case ObjectKind::CutLine:
        case ObjectKind::TextBlock:
            break;
    }
}

PipeObject& ObjectList::addObject(const CreationValues& values, double xAxisAngle,
                                  double yAxisAngle) {
    auto o = std::make_unique<PipeObject>(values);
    inheritForKind(*o, false);
    if (o->is(ObjectKind::Weld)) {
        switch (directionCode(o->EndDir)) {
            case 2: case 4: o->dimAngle = -10 * truncToInt(xAxisAngle); break;
            case 3: case 5: o->dimAngle = 10 * truncToInt(yAxisAngle); break;
            case 6: case 7: o->dimAngle = -900; break;
            case 0: case 1: o->dimAngle = 0; break;
            default: break;
        }
    }
    return append(std::move(o));
}

PipeObject& ObjectList::addCopy(const PipeObject& source) {
    auto o = std::make_unique<PipeObject>(source);
    inheritForKind(*o, true);
    return append(std::move(o));
}

bool ObjectList::replaceObject(const PipeObject* listed, const PipeObject& edited) {
    const long i = indexOf(listed);
    if (i < 0) return false;
    *objects_[static_cast<std::size_t>(i)] = edited;
    touch(static_cast<std::size_t>(i));
    return true;
}

const ObjectList::Census& ObjectList::census() const {
    Census& c = census_;
    const int weld = kindValue(ObjectKind::Weld);
    const auto count = [&](std::size_t i, int sign) {
        const std::int32_t kind = c.kinds[i];
        auto k = c.kindCount.find(kind);
        if (sign > 0) {
            if (k == c.kindCount.end()) k = c.kindCount.emplace(kind, 0).first;
            ++k->second;
        } else if (--k->second == 0) {
            c.kindCount.erase(k);
        }
        if (kind != weld) return;
        auto w = c.weldNumbers.find(c.numbers[i]);
        if (sign > 0) {
            if (w == c.weldNumbers.end()) w = c.weldNumbers.emplace(c.numbers[i], 0).first;
            ++w->second;
        } else if (--w->second == 0) {
            c.weldNumbers.erase(w);
        }
    };
    const auto take = [&](std::size_t i) {
        c.kinds[i] = objects_[i]->MainType;
        c.numbers[i] = objects_[i]->Number;
        count(i, 1);
    };
    if (c.epoch != epoch_ || c.seen > log_.size()) {
        c = Census{};
        c.kinds.resize(objects_.size());
        c.numbers.resize(objects_.size());
        for (std::size_t i = 0; i < objects_.size(); ++i) take(i);
    } else {
        const std::size_t known = c.kinds.size();
        c.kinds.resize(objects_.size());
        c.numbers.resize(objects_.size());
        for (std::size_t i = known; i < objects_.size(); ++i) take(i);
        for (std::size_t k = c.seen; k < log_.size(); ++k) {
            const std::size_t i = log_[k];
            if (i >= known) continue;  // new, taken above
            count(i, -1);
            take(i);
        }
    }
    c.epoch = epoch_;
    c.seen = log_.size();
    return c;
}

int ObjectList::freeWeldNumber(int from) const {
    const auto& taken = census().weldNumbers;
    int n = from;
    for (auto it = taken.lower_bound(from); it != taken.end(); ++it) {
        if (it->first > n) break;
        if (n == std::numeric_limits<int>::max()) break;
        ++n;
    }
    return n;
}

int ObjectList::countOfKind(int mainType) const {
    const auto& counts = census().kindCount;
    const auto it = counts.find(mainType);
    return it == counts.end() ? 0 : static_cast<int>(it->second);
}

const PipeObject* ObjectList::lastOfKind(int mainType) const {
    for (auto it = objects_.rbegin(); it != objects_.rend(); ++it)
        if ((*it)->MainType == mainType) return it->get();
    return nullptr;
}

LengthSum ObjectList::pipeLengths() const {
    LengthSum sum;
    for (auto it = objects_.rbegin(); it != objects_.rend(); ++it)
        if ((*it)->is(ObjectKind::Pipe)) sum.add(readPipeLength((*it)->DistTxt.view()));
    return sum;
}

long ObjectList::indexOf(const PipeObject* object) const {
    // From the end: the objects asked for are most often the newest.
    for (std::size_t i = objects_.size(); i-- > 0;)
        if (objects_[i].get() == object) return static_cast<long>(i);
    return -1;
}

std::unique_ptr<PipeObject> ObjectList::take(const PipeObject* object) {
    const long i = indexOf(object);
    if (i < 0) return nullptr;
    auto owned = std::move(objects_[static_cast<std::size_t>(i)]);
    objects_.erase(objects_.begin() + i);
    stamps_.erase(stamps_.begin() + i);
    newEpoch();
    sync();
    return owned;
}

PipeObject& ObjectList::append(std::unique_ptr<PipeObject> object) {
    objects_.push_back(std::move(object));
    stamps_.push_back(0);
    touch(objects_.size() - 1);
    sync();
    return *objects_.back();
}

PipeObject& ObjectList::insert(std::size_t index, std::unique_ptr<PipeObject> object) {
    index = std::min(index, objects_.size());
    const bool atEnd = index == objects_.size();
    auto it = objects_.insert(objects_.begin() + static_cast<long>(index), std::move(object));
    stamps_.insert(stamps_.begin() + static_cast<long>(index), 0);
    if (atEnd)
        touch(index);
    else {
        stamps_[index] = nextStamp();
        newEpoch();
    }
    sync();
    return **it;
}

void ObjectList::removeAll() {
    objects_.clear();
    stamps_.clear();
    newEpoch();
    sync();
}

}  // namespace tubra::model
