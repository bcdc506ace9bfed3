#include "tubra/model/PipeObject.h"

#include <cmath>
#include <mutex>
#include <new>
#include <string>

#include <sys/mman.h>

#include "text/CFormat.h"
#include "tubra/model/LengthText.h"

namespace tubra::model {

// --- where objects live ---
//
// An object is large (mostly its nine text fields) and a drawing holds thousands. From the
// general heap every drawing read touches fresh pages, one fault per page, and every drawing
// dropped gives them back to the system. Here objects come from blocks of 2 MiB that stay
// with the program: dropped places are taken again in the order they were dropped (a drawing
// is dropped and read object by object, so its objects keep following each other in memory,
// which the processor reads ahead), and a fresh block is backed by huge pages where the
// system allows, so that it costs one fault instead of 512.
// Under the address sanitizer every object comes from the general heap, so that misuse of a
// dropped object is still caught.

#if defined(__SANITIZE_ADDRESS__)
#define TUBRA_OBJECT_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TUBRA_OBJECT_POOL 0
#endif
#endif
#ifndef TUBRA_OBJECT_POOL
#define TUBRA_OBJECT_POOL 1
#endif

namespace {

#if TUBRA_OBJECT_POOL
class ObjectPool {
public:
    void* take() {
        std::lock_guard lock(mutex_);
        if (free_) {
            Slot* s = free_;
            free_ = s->next;
            return s;
        }
        if (next_ == end_) grow();
        void* p = next_;
        next_ += kSlot;
        return p;
    }

    void give(void* p) {
        std::lock_guard lock(mutex_);
        Slot* s = static_cast<Slot*>(p);
        s->next = nullptr;
        if (free_)
            last_->next = s;
        else
            free_ = s;
        last_ = s;
    }

private:
    struct Slot {
        Slot* next;
    };
    static constexpr std::size_t kSlot = (sizeof(PipeObject) + 15) / 16 * 16;
    static constexpr std::size_t kBlock = std::size_t{2} << 20;
    static_assert(alignof(PipeObject) <= 16 && kSlot <= kBlock);

    void grow() {
        // Aligned to the block size, so that the system can back it with one huge page.
        void* block = ::operator new(kBlock, std::align_val_t{kBlock});
#if defined(MADV_HUGEPAGE)
        ::madvise(block, kBlock, MADV_HUGEPAGE);
#endif
        next_ = static_cast<char*>(block);
        end_ = next_ + kBlock / kSlot * kSlot;
    }

    std::mutex mutex_;
    Slot* free_ = nullptr;
    Slot* last_ = nullptr;
    char* next_ = nullptr;
    char* end_ = nullptr;
};

ObjectPool& objectPool() {
    // Never destroyed: objects may be dropped by other static objects at exit.
    static ObjectPool* pool = new ObjectPool;
    return *pool;
}
#endif

}  // namespace

void* PipeObject::operator new(std::size_t size) {
#if TUBRA_OBJECT_POOL
    if (size == sizeof(PipeObject)) return objectPool().take();
#endif
    return ::operator new(size);
}

void PipeObject::operator delete(void* object, std::size_t size) noexcept {
    if (!object) return;
#if TUBRA_OBJECT_POOL
    if (size == sizeof(PipeObject)) {
        objectPool().give(object);
        return;
    }
#else
    (void)size;
#endif
    ::operator delete(object);
}

PipeObject::PipeObject(const CreationValues& v)
    : MainType(v.MainType),
      SubType(v.SubType),
      StrtDir(v.StrtDir),
      EndDir(v.EndDir),
      Port1(v.Port1),
      Port2(v.Port2),
      Distanc(v.Distanc) {}

void PipeObject::divideByScale(double scale) {
    for (Vec3* p : {&Port1, &Port2, &Port3, &Port4}) {
        p->x /= scale;
        p->y /= scale;
    }
    Distanc /= scale;
}

double fileNumber(double v) {
    if (!std::isfinite(v) || std::fabs(v) >= 4e9) return v;
    // Below 4e9 the millionths are whole numbers a double holds exactly, and their quotient
    // by a million is the double nearest to the six-decimal text "%f" writes: what reading it
    // gives. Near a half the product's own rounding may round otherwise than "%f" rounds the
    // exact value, so there the text itself decides.
    const double m = v * 1e6;
    if (std::fabs(std::fabs(m - std::trunc(m)) - 0.5) < 1e-3) {
        std::string written;
        text::appendFixed(written, v, 6);
        return text::leadingNumber(written);
    }
    // A small negative number keeps its sign, as "%f" writes it: "-0.000000".
    return std::round(m) / 1e6;
}

bool PipeObject::keepFileNumbers() {
    bool changed = false;
    const auto keep = [&changed](double& v) {
        const double k = fileNumber(v);
        if (k != v || std::signbit(k) != std::signbit(v)) {
            v = k;
            changed = true;
        }
    };
    keep(StrtDir);
    keep(EndDir);
    for (Vec3* p : {&Port1, &Port2, &Port3, &Port4, &dimYX1_st, &dimYX1_ed, &dimYX2_st, &dimYX2_ed, &dimL_st, &dimL_ed,
                    &dimTxt_st}) {
        keep(p->x);
        keep(p->y);
        keep(p->z);
    }
    keep(Distanc);
    keep(BiHou);
    return changed;
}

void PipeObject::applyEndElevationRule(double scale) {
    // A text that states no length leaves the drawn length to count.
    const double length = readPipeLength(DistTxt.view()).value().value_or(Distanc / scale);
    switch (directionCode(EndDir)) {
        case 0: Port2.z = Port1.z + length; break;
        case 1: Port2.z = Port1.z - length; break;
        case 6: Port2.z = directionCode(StrtDir) != 2 ? Port1.z + Port3.x : Port1.z; break;
        case 2:
        case 3:
        case 4:
        case 5: Port2.z = Port1.z; break;
        default: break;
    }
}

}  // namespace tubra::model
