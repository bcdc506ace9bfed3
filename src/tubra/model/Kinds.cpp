#include "tubra/model/Kinds.h"

#include <algorithm>
#include <array>

namespace tubra::model {

std::string_view directionName(int code) {
    static constexpr std::string_view names[] = {"上", "下", "东", "南", "西", "北", "平面斜管", "空间斜管"};
    return (code >= 0 && code <= 7) ? names[code] : std::string_view();
}

namespace {

// --- the line tables of the symbols ---
// Length, height, then the segments (x1, y1, x2, y2) in drawing order.
// clang-format off

constexpr double kCode4[] = {  // 法兰
    4, 8,
    0, 0, 0, 4,   0, 0, 0, -4,   4, 4, 4, -1,   4, -4, 4, 0,
};

constexpr double kCode6[] = {  // 大小头
    6, 6,
    0, 0, 0, 3,   0, 3, 6, 1,   6, 1, 6, -1,   0, 3, 0, -3,
    0, -3, 6, -1,   6, -1, 6, 0,
};

constexpr double kCode7[] = {  // 小大头
    6, 6,
    0, 0, 0, 1,   0, 1, 6, 3,   6, 3, 6, -1,   0, 1, 0, -1,
    0, -1, 6, -3,   6, -3, 6, 0,
};

constexpr double kCode9[] = {  // 压力表
    8, 12,
    0, 0, 0, 4,   0, 4, -1, 4,   -1, 4, -3, 5,   -3, 5, -4, 7,
    -4, 7, -4, 9,   -4, 9, -3, 11,   -3, 11, -1, 12,   -1, 12, 1, 12,
    1, 12, 3, 11,   3, 11, 4, 9,   4, 9, 4, 7,   4, 7, 3, 5,
    3, 5, 1, 4,   1, 4, 0, 4,   -1, 5, -1, 10,   -1, 10, 0, 10,
    0, 10, 1, 9,   1, 9, 1, 8,   1, 8, 0, 7,   0, 7, -1, 7,
    0, 4, 0, 0,
};

constexpr double kCode10[] = {  // 温度计
    8, 12,
    0, 0, 0, 4,   0, 4, -1, 4,   -1, 4, -3, 5,   -3, 5, -4, 7,
    -4, 7, -4, 9,   -4, 9, -3, 11,   -3, 11, -1, 12,   -1, 12, 1, 12,
    1, 12, 3, 11,   3, 11, 4, 9,   4, 9, 4, 7,   4, 7, 3, 5,
    3, 5, 1, 4,   1, 4, 0, 4,   -2, 10, 2, 10,   0, 10, 0, 6,
    0, 4, 0, 0,
};

constexpr double kCode11[] = {  // 流量计
    12, 8,
    0, 0, 0, 4,   0, 4, 0, -4,   2, -4, 2, 4,   2, 4, 10, 4,
    10, 4, 10, -4,   10, -4, 2, -4,   3, -3, 3, 3,   3, 3, 9, 0,
    9, 0, 2, -4,   12, 4, 12, 0,   12, -4, 12, 0,
};

constexpr double kCode13[] = {  // 闸阀
    16, 12,
    0, 0, 0, 4,   0, 0, 0, -4,   2, -3, 2, 3,   8, 0, 8, 8,
    14, -3, 14, 3,   16, 4, 16, 0,   3, 6, 13, 6,   2, 3, 8, 6,
    8, 6, 14, 3,   2, 3, 14, -3,   2, -3, 14, 3,   16, -4, 16, 0,
};

constexpr double kCode14[] = {  // 截止阀
    16, 12,
    0, 0, 0, 4,   0, 0, 0, -4,   2, -3, 2, 3,   8, 0, 8, 8,
    14, -3, 14, 3,   16, 4, 16, 0,   3, 8, 13, 8,   2, 3, 8, 6,
    8, 6, 14, 3,   2, 3, 14, -3,   2, -3, 14, 3,   16, -4, 16, 0,
};

constexpr double kCode15[] = {  // 旋塞阀
    16, 12,
    0, 0, 0, 4,   0, 4, 0, -4,   2, 3, 14, -3,   14, -3, 14, 3,
    14, 3, 2, -3,   2, -3, 2, 3,   13, 8, 8, 5,   8, 5, 8, 0,
    8, 2, 6.5, 1.5,   6.5, 1.5, 6, 0,   6, 0, 6.5, -1.5,   6.5, -1.5, 8, -2,
    8, -2, 9.5, -1.5,   9.5, -1.5, 10, 0,   10, 0, 9.5, 1.5,   9.5, 1.5, 8, 2,
    16, 4, 16, 0,   16, -4, 16, 0,
};

constexpr double kCode16[] = {  // 隔膜阀
    16, 12,
    0, 0, 0, 4,   0, 4, 0, -4,   2, 3, 14, -3,   14, -3, 14, 3,
    14, 3, 2, -3,   2, -3, 2, 3,   13, 8, 8, 5,   8, 5, 8, 0,
    16, 4, 16, 0,   16, -4, 16, 0,
};

constexpr double kCode17[] = {  // 蝶阀
    16, 12,
    0, 0, 0, 4,   0, 4, 0, -4,   2, 3, 14, -3,   14, -3, 14, 3,
    2, -3, 2, 3,   13, 8, 8, 5,   8, 5, 8, 0,   16, 4, 16, 0,
    16, -4, 16, 0,
};

constexpr double kCode18[] = {  // 球阀
    16, 12,
    0, 0, 0, 4,   0, 4, 0, -4,   11, 8, 8, 8,   8, 8, 8, 6,
    6, 6, 3, 3,   3, 3, 3, -1,   3, -1, 6, -4,   6, -4, 10, -4,
    10, -4, 13, -1,   13, -1, 13, 3,   13, 3, 10, 6,   10, 6, 6, 6,
    4.5, 4.5, 11.5, -2.5,   11.5, 4.5, 4.5, -2.5,   3, -4, 3, 3,   13, 4, 13, -1,
    16, 4, 16, 0,   16, -4, 16, 0,
};

constexpr double kCode19[] = {  // 节流阀
    16, 12,
    0, 0, 0, 4,   0, 4, 0, -4,   2, 3, 2, -3,   2, 3, 14, -3,
    2, -3, 14, 3,   13, 8, 8, 5,   8, 5, 8, 2,   7, 2, 6, 1,
    6, 1, 6, -1,   6, -1, 7, -2,   7, -2, 9, -2,   9, -2, 10, -1,
    10, -1, 10, 1,   10, 1, 9, 2,   9, 2, 7, 2,   14, 3, 14, -3,
    16, -4, 16, 0,   16, 4, 16, 0,
};

constexpr double kCode20[] = {  // Y型阀
    16, 12,
    0, 0, 0, 4,   0, 4, 0, -4,   2, 3, 2, -3,   2, 3, 14, -3,
    2, -3, 14, 3,   7, 8, 13, 4,   10, 6, 8, 0,   14, 3, 14, -3,
    16, -4, 16, 0,   16, 4, 16, 0,
};

constexpr double kCode21[] = {  // 止逆阀
    16, 12,
    0, 0, 0, 4,   0, 4, 0, -4,   8, 0, 2, 3,   2, 3, 2, -3,
    2, -3, 14, 3,   14, 3, 14, -3,   16, 4, 16, 0,   16, -4, 16, 0,
};

constexpr double kCode22[] = {  // 针型阀
    16, 12,
    0, 0, 0, 4,   0, 4, 0, -4,   2, 3, 2, -3,   2, -3, 14, 3,
    14, 3, 14, -3,   14, -3, 2, 3,   8, 0, 6, 8,   6, 8, 10, 8,
    10, 8, 8, 0,   16, 4, 16, 0,   16, -4, 16, 0,
};

constexpr double kCode23[] = {  // 气动阀
    16, 12,
    0, 0, 0, 4,   0, 4, 0, -4,   2, 3, 2, -3,   2, 3, 14, -3,
    2, -3, 14, 3,   8, 4, 8, 0,   8, 4, 4, 5,   4, 5, 4, 7,
    4, 7, 8, 8,   8, 8, 12, 7,   12, 7, 12, 5,   12, 5, 8, 4,
    14, 3, 14, -3,   16, -4, 16, 0,   16, 4, 16, 0,
};

constexpr double kCode24[] = {  // 安全阀
    7, 12,
    0, 0, 0, 2,   -4, 2, 0, 7,   0, 7, 4, 2,   4, 2, -4, 2,
    0, 7, 0, 12,   -2, 10, 2, 10,   -2, 11, 2, 11,   0, 8, 5, 12,
    5, 12, 5, 4,   5, 4, 0, 8,   0, 2, 0, 0,
};

constexpr double kCode25[] = {  // 视镜
    12, 8,
    0, 0, 0, 4,   0, 4, 0, -4,   2, -4, 2, 4,   2, 4, 10, 4,
    10, 4, 10, -4,   10, -4, 2, -4,   4, -1, 5, -2,   4, 2, 8, -2,
    7, 2, 8, 1,   12, 4, 12, 0,   12, -4, 12, 0,
};

constexpr double kCode32[] = {  // 刚性支架
    8, 8,
    0, 0, 0, 6,   0, 6, -4, 6,   0, 6, 4, 6,   -2, 8, -3, 6,
    0, 8, -1, 6,   2, 8, 1, 6,   4, 8, 3, 6,   0, 6, 0, 0,
};

constexpr double kCode33[] = {  // 弹性支架
    8, 8,
    0, 0, 0, 6,   0, 6, -4, 6,   0, 6, 4, 6,   -2, 8, -3, 6,
    0, 8, -1, 6,   2, 8, 1, 6,   4, 8, 3, 6,   -2, 6, 2, 5,
    2, 5, -2, 5,   -2, 5, 2, 3,   2, 3, -2, 3,   -2, 3, 2, 1,
    2, 1, -2, 1,   -2, 1, 0, 0,   0, 6, 0, 0,
};

constexpr double kCode34[] = {  // 固支架
    8, 8,
    0, 0, -4, -6,   -4, -6, 4, -6,   -3, -6, -4, -8,   -1, -6, -2, -8,
    1, -6, 0, -8,   3, -6, 2, -8,   4, -6, 0, 0,
};

constexpr double kCode35[] = {  // 滑支架
    8, 8,
    0, 0, -4, -4,   -4, -4, 4, -4,   -4, -6, 4, -6,   -3, -6, -4, -8,
    -1, -6, -2, -8,   1, -6, 0, -8,   3, -6, 2, -8,   2, -4, 1.2, -4.2,
    1.2, -4.2, 1, -5,   1, -5, 1.2, -5.8,   1.2, -5.8, 2, -6,   2, -6, 2.8, -5.8,
    2.8, -5.8, 3, -5,   3, -5, 2.8, -4.2,   2.8, -4.2, 2, -4,   -2, -4, -2.8, -4.2,
    -2.8, -4.2, -3, -5,   -3, -5, -2.8, -5.8,   -2.8, -5.8, -2, -6,   -2, -6, -1.2, -5.8,
    -1.2, -5.8, -1, -5,   -1, -5, -1.2, -4.2,   -1.2, -4.2, -2, -4,   4, -4, 0, 0,
};

constexpr double kCode38[] = {  // 墙壁
    10, 16,
    0, 0, 0, 8,   0, 0, 0, -8,   2, 8, 2, -8,   4, 8, 4, -8,
    6, 8, 6, -8,   8, 8, 8, -8,   10, 8, 10, -8,   0, 8, 10, 8,
    0, -8, 10, -8,   0, 4, 2, 4,   0, 0, 2, 0,   0, -4, 2, -4,
    2, 6, 4, 6,   2, 2, 4, 2,   2, -2, 4, -2,   2, -6, 4, -6,
    4, 4, 6, 4,   4, 0, 6, 0,   4, -4, 6, -4,   6, 6, 8, 6,
    6, 2, 8, 2,   6, -2, 8, -2,   6, -6, 8, -6,   8, 4, 10, 4,
    8, -4, 10, -4,   8, 0, 10, 0,
};

constexpr double kCode39[] = {  // 河流
    10, 16,
    0, 0, 0, -2,   0, -2, 1, -4,   1, -4, 1, -6,   1, -6, 0, -8,
    0, 8, 1, 6,   1, 6, 1, 4,   1, 4, 0, 2,   0, 2, 0, 0,
    5, 8, 5, 7,   5, 7, 4, 5,   4, 5, 4, 3,   4, 3, 6, -3,
    6, -3, 6, -5,   6, -5, 5, -7,   5, -7, 5, -8,   10, 8, 9, 6,
    9, 6, 9, 4,   9, 4, 10, 2,   10, 2, 10, 0,   10, -8, 9, -6,
    9, -6, 9, -4,   9, -4, 10, -2,   10, -2, 10, 0,
};

constexpr double kCode40[] = {  // 入地
    10, 16,
    0, 0, 10, 0,   0, 8, 0, 1,   0, -1, 0, -8,   0, 1, 10, 1,
    0, -1, 10, -1,   2, 8, 2, 1,   4, 6, 4, 1,   6, 5, 6, 1,
    8, 4, 8, 1,   10, 3, 10, 1,   2, -1, 2, -8,   4, -1, 4, -6,
    6, -1, 6, -5,   8, -1, 8, -4,   10, -1, 10, -3,   0, 0, 10, 0,
};

constexpr double kCode41[] = {  // 装置
    25, 50,
    0, 0, 0, 25,   0, 0, 0, -25,   0, -25, 25, -25,   0, 25, 25, 25,
    25, 25, 25, 0,   25, -25, 25, 0,
};

constexpr double kCode42[] = {  // 立柱
    10, 15,
    0, 0, -3, -4,   -3, -4, 3, -4,   3, -4, 0, 0,   0, -4, 0, -13,
    -5, -13, 5, -13,   -4, -13, -5, -14,   -2, -13, -4, -15,   0, -13, -2, -15,
    4, -13, 2, -15,   5, -14, 4, -15,   2, -13, 0, -15,
};

constexpr double kCode43[] = {  // 公路
    37, 18,
    0, 0, -1, 2,   0, 0, 8, -16,   18, 2, 20, 0,   36, -16, 20, 0,
};

constexpr double kCode44[] = {  // 铁路
    9, 22,
    0, 0, 0, 2,   0, 2, 1, 2,   0, 0, 1, 0,   1, 5, 0, 5,
    0, 5, 0, 7,   0, 7, 1, 7,   1, -3, 0, -3,   0, -3, 0, -5,
    0, -5, 1, -5,   1, -8, 0, -8,   0, -8, 0, -10,   0, -10, 1, -10,
    8, 7, 9, 7,   9, 7, 9, 5,   9, 5, 8, 5,   8, 2, 9, 2,
    9, 2, 9, 0,   8, -3, 9, -3,   9, -3, 9, -5,   9, -5, 8, -5,
    8, -8, 9, -8,   9, -8, 9, -10,   9, -10, 8, -10,   1, 9, 1, -13,
    2, 9, 2, -13,   7, 9, 7, -13,   8, 9, 8, -13,   2, 7, 7, 7,
    2, 5, 7, 5,   2, 2, 7, 2,   2, 0, 7, 0,   2, -3, 7, -3,
    2, -5, 7, -5,   2, -8, 7, -8,   2, -10, 7, -10,   8, 0, 9, 0,
};

constexpr double kCode45[] = {  // 45°弯头
    16, 8,
    0, 0, 4, 0,   4, 0, 12, -8,   12, -8, 16, -8,
};

constexpr double kCode46[] = {  // 管帽
    8, 12,
    0, 0, 0, 6,   0, 6, 3, 6,   3, 6, 6, 5,   6, 5, 7, 4,
    7, 4, 8, 2,   8, 2, 8, -2,   8, -2, 7, -4,   7, -4, 6, -5,
    6, -5, 3, -6,   3, -6, 0, -6,   0, -6, 0, 0,
};

constexpr double kCode47[] = {  // 堵头
    8, 4,
    0, 0, 0, 2,   0, 2, 4, 2,   4, 2, 4, -2,   4, -2, 0, -2,
    0, -2, 0, 0,   8, 0, 8, -2,   8, -2, 4, 0,   4, 0, 8, 2,
    8, 2, 8, 0,
};

constexpr double kCode48[] = {  // 波形补偿器
    21, 12,
    0, 0, 3, 6,   3, 6, 6, -6,   6, -6, 9, 6,   9, 6, 12, -6,
    12, -6, 15, 6,   15, 6, 18, -6,   18, -6, 21, 0,
};

constexpr double kCode49[] = {  // 球形补偿器
    20, 16,
    0, 0, 0, -2,   0, -2, 0, 2,   0, 2, 8, 2,   8, 2, 9, 0,
    9, 0, 8, -2,   8, -2, 0, -2,   6, -2, 5, 0,   5, 0, 6, 2,
    2, 2, 3, 4,   3, 4, 5, 5,   5, 5, 9, 5,   9, 5, 11, 4,
    11, 4, 12, 2,   12, 2, 12, -2,   12, -2, 11, -4,   11, -4, 9, -5,
    9, -5, 5, -5,   5, -5, 3, -4,   3, -4, 2, -2,   12, 2, 14, 2,
    14, 2, 14, -2,   14, -2, 12, -2,   14, -2, 14, 0,
};

constexpr double kCode50[] = {  // 盲板
    5, 10,
    0, 0, 0, -3,   0, -3, 0, 3,   2.5, -3, 2.5, 4,   2, 4, 1, 5,
    1, 5, 1, 6,   1, 6, 2, 7,   2, 7, 3, 7,   3, 7, 4, 6,
    4, 6, 4, 5,   4, 5, 3, 4,   3, 4, 2, 4,   5, 3, 5, -3,
    5, -3, 5, 0,
};

constexpr double kCode51[] = {  // 8字盲板
    5, 13,
    0, 0, 0, -3,   0, -3, 0, 3,   2.5, -3, 2.5, 4,   2, 4, 1, 5,
    1, 5, 1, 6,   1, 6, 2, 7,   2, 7, 3, 7,   3, 7, 4, 6,
    4, 6, 4, 5,   4, 5, 3, 4,   3, 4, 2, 4,   2, 7, 1, 8,
    1, 8, 1, 9,   1, 9, 2, 10,   2, 10, 3, 10,   3, 10, 4, 9,
    4, 9, 4, 8,   4, 8, 3, 7,   5, 3, 5, -3,   5, -3, 5, 0,
};

constexpr double kCode52[] = {  // 阻火器
    21, 12,
    0, 0, 0, 3,   0, 3, 3, 3,   0, 0, 0, -3,   0, -3, 3, -3,
    3, 6, 3, -6,   3, -6, 18, -6,   18, -6, 18, 6,   18, 6, 3, 6,
    9, 6, 9, -6,   12, 6, 12, -6,   18, 3, 21, 3,   21, 3, 21, -3,
    21, -3, 18, -3,   21, -3, 21, 0,
};

constexpr double kCode53[] = {  // 过滤器
    24, 20,
    0, 0, 0, 4,   0, 4, 4, 4,   0, 0, 0, -4,   0, -4, 4, -4,
    4, 8, 4, -8,   4, -8, 20, -8,   20, -8, 20, 8,   20, 8, 4, 8,
    20, 4, 24, 4,   24, 4, 24, -4,   24, -4, 20, -4,   8, 12, 16, 12,
    24, -4, 24, 0,
};

constexpr double kCode54[] = {  // 角阀
    16, 11,
    0, 0, 2, 0,   2, 4, 2, -4,   2, -4, 8, 0,   8, 0, 2, 4,
    8, 0, 4, -6,   4, -6, 12, -6,   12, -6, 8, 0,   8, 0, 16, 0,
    16, 3, 16, -3,   8, -6, 8, -6.5,
};

// clang-format on

using K = ObjectKind;
using S = SymbolCode;
using D = PropertyDialog;
using G = MaterialGroup;
using R = RealRole;
using P = PlacementRule;
constexpr std::uint8_t kF = named::kFittingDialog;
constexpr std::uint8_t kS = named::kSupportDialog;
constexpr std::uint8_t kFS = named::kFittingDialog | named::kSupportDialog;

// kind, name, property dialog, bill of materials, role in real space, PCF key, symbols
constexpr KindRow kKinds[] = {
    {K::Pipe, "管段", D::Segment, G::Pipe, R::Run, {"PIPE", ""}, false},
    {K::Elbow, "弯头", D::Elbow, G::Elbow, R::Fitting, {"ELBOW", "ELBW"}, false},
    {K::Weld, "焊缝", D::Weld, G::Weld, R::Weld, {"WELD", "WF"}, false},
    {K::Tee, "三通", D::Tee, G::Tee, R::Fitting, {"TEE", "TEBW"}, false},
    {K::CutLine, "截断线", D::None, std::nullopt, R::Point, {}, false},
    // A valve of a code without a row is left out of a PCF file: it is no known valve.
    {K::Valve, "阀门", D::Fitting, G::Valve, R::InLine, {}, true},
    {K::Fitting, "管件", D::Fitting, G::Fitting, R::InLine, {}, true},
    {K::Accessory, "附件", D::Support, G::Support, R::Point, {"SUPPORT", "SUPP"}, true},
    {K::TextBlock, "文字块", D::Text, std::nullopt, std::nullopt, {}, false},
    {K::SiteMark, "地物", D::Fitting, std::nullopt, R::Point, {}, true},
};

constexpr SymbolRow row(S code, K kind, std::string_view name, std::string_view objectName,
                        std::uint8_t namedIn, std::span<const double> lines,
                        std::optional<P> placement, R role, PcfKey pcf = {}) {
    return {code, kind, name, objectName, namedIn, lines, placement, role, pcf};
}
constexpr SymbolRow readsBack(SymbolRow r) {
    r.pcfReadsBack = true;
    return r;
}
constexpr SymbolRow label(SymbolRow r, std::string_view text) {
    r.initialLabel = text;
    return r;
}

// code, kind, command text, object name, dialogs naming it, line table, placement, role, PCF
constexpr SymbolRow kSymbols[] = {
    readsBack(row(S::Flange, K::Fitting, "法兰", "法兰", kF, kCode4, P::OrthogonalPipe, R::InLine, {"FLANGE", "FLWN"})),
    readsBack(row(S::ReducerLargeSmall, K::Fitting, "大小头", "大小头", kF, kCode6, P::OrthogonalPipe, R::InLine,
                  {"REDUCER-CONCENTRIC", "RCBW"})),
    row(S::ReducerSmallLarge, K::Fitting, "小大头", "小大头", kF, kCode7, P::OrthogonalPipe, R::InLine,
        {"REDUCER-CONCENTRIC", "RCBW"}),
    [] {  // gauges sit on a small connection and keep their dial the same way up
        SymbolRow r = row(S::PressureGauge, K::Fitting, "压力表", "压力表", kF, kCode9, P::OrthogonalPipe, R::Point);
        r.keepsDialUp = true;
        return r;
    }(),
    row(S::Thermometer, K::Fitting, "温度计", "温度计", kF, kCode10, P::OrthogonalPipe, R::Point),
    readsBack(row(S::FlowMeter, K::Fitting, "流量计", "流量计", kF, kCode11, P::OrthogonalPipe, R::InLine,
                  {"INSTRUMENT", "FMFL"})),
    [] {  // placed on end points only
        SymbolRow r = readsBack(row(S::GateValve, K::Valve, "闸阀", "闸阀", kF, kCode13, P::OrthogonalPipe, R::InLine,
                                    {"VALVE", "VTFL"}));
        r.endPointsOnly = true;
        return r;
    }(),
    readsBack(row(S::GlobeValve, K::Valve, "截止阀", "截止阀", kF, kCode14, P::OrthogonalPipe, R::InLine,
                  {"VALVE", "VGFL"})),
    readsBack(row(S::PlugValve, K::Valve, "旋塞阀", "旋塞阀", kF, kCode15, P::OrthogonalPipe, R::InLine,
                  {"VALVE", "VPFL"})),
    readsBack(row(S::DiaphragmValve, K::Valve, "隔膜阀", "隔膜阀", kF, kCode16, P::OrthogonalPipe, R::InLine,
                  {"VALVE", "VDFL"})),
    [] {
        SymbolRow r = readsBack(row(S::ButterflyValve, K::Valve, "蝶阀", "蝶阀", kF, kCode17, P::OrthogonalPipe,
                                    R::InLine, {"VALVE", "VYFL"}));
        r.disc = true;
        return r;
    }(),
    readsBack(row(S::BallValve, K::Valve, "球阀", "球阀", kF, kCode18, P::OrthogonalPipe, R::InLine,
                  {"VALVE", "VBFL"})),
    [] {
        SymbolRow r = row(S::ThrottleValve, K::Valve, "节流阀", "节流阀", kF, kCode19, P::OrthogonalPipe, R::InLine,
                          {"VALVE", "VGFL"});
        r.disc = true;
        return r;
    }(),
    row(S::YValve, K::Valve, "Y形阀", "Y型阀", kF, kCode20, P::OrthogonalPipe, R::InLine, {"VALVE", "VGFL"}),
    readsBack(row(S::CheckValve, K::Valve, "止逆阀", "止逆阀", kF, kCode21, P::OrthogonalPipe, R::InLine,
                  {"VALVE", "CKFL"})),
    readsBack(row(S::NeedleValve, K::Valve, "针型阀", "针型阀", kF, kCode22, P::OrthogonalPipe, R::InLine,
                  {"VALVE", "VNFL"})),
    readsBack(row(S::PneumaticValve, K::Valve, "气动阀", "气动阀", kF, kCode23, P::OrthogonalPipe, R::InLine,
                  {"VALVE", "VVFL"})),
    readsBack(row(S::SafetyValve, K::Valve, "安全阀", "安全阀", kF, kCode24, P::OrthogonalPipe, R::InLine,
                  {"VALVE", "VRFL"})),
    readsBack(row(S::SightGlass, K::Fitting, "视镜", "视镜", kF, kCode25, P::OrthogonalPipe, R::InLine,
                  {"INSTRUMENT", "SGFL"})),
    readsBack(row(S::RigidSupport, K::Accessory, "刚性支架", "刚性支架", kS, kCode32, P::Pipe, R::Point,
                  {"SUPPORT", "RSTR"})),
    readsBack(row(S::SpringSupport, K::Accessory, "弹性支架", "弹性支架", kS, kCode33, P::Pipe, R::Point,
                  {"SUPPORT", "SPRG"})),
    readsBack(row(S::FixedSupport, K::Accessory, "固定支架", "固支架", kS, kCode34, P::Pipe, R::Point,
                  {"SUPPORT", "ANCH"})),
    readsBack(row(S::SlidingSupport, K::Accessory, "滑动支架", "滑支架", kS, kCode35, P::Pipe, R::Point,
                  {"SUPPORT", "GUID"})),
    label(row(S::IntoWall, K::SiteMark, "管段入墙", "墙壁", kFS, kCode38, P::AnyObject, R::Point), " "),
    [] {
        SymbolRow r = label(row(S::AcrossRiver, K::SiteMark, "管段过江河", "河流", kFS, kCode39, P::AnyObject, R::Point), " ");
        r.crossesOtherAxis = true;
        return r;
    }(),
    label(row(S::IntoGround, K::SiteMark, "管段入地", "入地", kFS, kCode40, P::AnyObject, R::Point), " "),
    [] {
        SymbolRow r = label(row(S::Vessel, K::SiteMark, "容器、装置", "装置", kFS, kCode41, P::AnyObject, R::Point), " ");
        r.dashDotDot = true;
        return r;
    }(),
    [] {  // columns are numbered; the support dialog opens at once
        SymbolRow r = label(readsBack(row(S::Column, K::Accessory, "立柱", "立柱", kS, kCode42, P::Pipe, R::Point,
                                          {"SUPPORT", "COLM"})),
                            "<0001>");
        r.dialogWhenPlaced = true;
        return r;
    }(),
    label(row(S::RoadCrossing, K::SiteMark, "穿越公路", "公路", named::kNowhere, kCode43, P::AnyObject, R::Point), " "),
    [] {
        SymbolRow r = label(row(S::RailwayCrossing, K::SiteMark, "穿越铁路", "铁路", named::kNowhere, kCode44,
                                P::AnyObject, R::Point),
                            " ");
        r.crossesOtherAxis = true;
        return r;
    }(),
    // The 45° elbow is a mark on the drawn pipe: it takes no length of it.
    row(S::Elbow45, K::Fitting, "45°弯头", "45°弯头", kF, kCode45, P::AnyObject, R::Point),
    readsBack(row(S::PipeCap, K::Fitting, "管帽", "管帽", kF, kCode46, P::AnyObject, R::InLine, {"CAP", "CPBW"})),
    readsBack(row(S::Plug, K::Fitting, "堵头", "堵头", kF, kCode47, P::AnyObject, R::InLine, {"CAP", "PLSC"})),
    readsBack(row(S::BellowsJoint, K::Fitting, "波形补偿器", "波形补偿器", kF, kCode48, P::AnyObject, R::InLine,
                  {"MISC-COMPONENT", "EXJT"})),
    readsBack(row(S::BallJoint, K::Fitting, "球形补偿器", "球形补偿器", kF, kCode49, P::AnyObject, R::InLine,
                  {"MISC-COMPONENT", "BJNT"})),
    readsBack(row(S::BlindPlate, K::Fitting, "盲板", "盲板", kF, kCode50, P::AnyObject, R::InLine,
                  {"FLANGE-BLIND", "FLBL"})),
    readsBack(row(S::SpectacleBlind, K::Fitting, "8字盲板", "8字盲板", kF, kCode51, P::AnyObject, R::InLine,
                  {"MISC-COMPONENT", "SPBL"})),
    readsBack(row(S::FlameArrester, K::Fitting, "阻火器", "阻火器", kF, kCode52, P::AnyObject, R::InLine,
                  {"MISC-COMPONENT", "FAFL"})),
    readsBack(row(S::Filter, K::Fitting, "过滤器", "过滤器", kF, kCode53, P::AnyObject, R::InLine, {"FILTER", "FRFL"})),
    [] {  // placed by the elbow's procedure, its outlet toward the chosen direction
        SymbolRow r = readsBack(row(S::AngleValve, K::Valve, "角阀", "角阀", kF, kCode54, std::nullopt, R::InLine,
                                    {"VALVE", "VAFL"}));
        r.outletLeans = true;
        return r;
    }(),
};

// --- what the compiler checks of the rows ---

constexpr bool same(std::string_view a, std::string_view b) { return a == b; }

constexpr bool kindsComplete() {
    if (std::size(kKinds) != kKindCount) return false;
    for (std::size_t i = 0; i < std::size(kKinds); ++i) {
        const KindRow& k = kKinds[i];
        for (std::size_t j = 0; j < i; ++j)
            if (kKinds[j].kind == k.kind) return false;
        if (k.name.empty()) return false;
        // A key names the component and, apart from pipes, its symbol.
        if (!k.pcf.identifier.empty() && k.pcf.skey.empty() && k.kind != K::Pipe) return false;
        if (k.pcf.identifier.empty() && !k.pcf.skey.empty()) return false;
    }
    return true;
}
static_assert(kindsComplete(), "every kind once, named, with a whole PCF key or none");

constexpr const KindRow* findKind(ObjectKind kind) {
    for (const KindRow& k : kKinds)
        if (k.kind == kind) return &k;
    return nullptr;
}

constexpr bool symbolsComplete() {
    for (std::size_t i = 0; i < std::size(kSymbols); ++i) {
        const SymbolRow& s = kSymbols[i];
        // In code order, each once.
        if (i > 0 && symbolValue(kSymbols[i - 1].code) >= symbolValue(s.code)) return false;
        const KindRow* kind = findKind(s.kind);
        if (!kind || !kind->symbols) return false;
        if (s.name.empty() || s.objectName.empty()) return false;
        // At least one segment, four numbers each, after length and height.
        if (s.lines.size() < 6 || (s.lines.size() - 2) % 4 != 0) return false;
        if (!s.role) return false;
        if (s.pcf.identifier.empty() != s.pcf.skey.empty()) return false;
        if (s.pcfReadsBack && s.pcf.skey.empty()) return false;
    }
    return true;
}
static_assert(symbolsComplete(), "every symbol once, of a symbol kind, named, with its lines, role and PCF key");

// Each symbol key is read back as exactly one row, and never stands for a kind as well.
constexpr bool keysReadBackOnce() {
    for (const SymbolRow& s : kSymbols) {
        if (s.pcf.skey.empty()) continue;
        int readers = 0;
        for (const SymbolRow& t : kSymbols)
            if (same(t.pcf.skey, s.pcf.skey) && t.pcfReadsBack) ++readers;
        if (readers != 1) return false;
        for (const KindRow& k : kKinds)
            if (same(k.pcf.skey, s.pcf.skey)) return false;
    }
    for (std::size_t i = 0; i < std::size(kKinds); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (!kKinds[i].pcf.identifier.empty() && same(kKinds[i].pcf.skey, kKinds[j].pcf.skey) &&
                same(kKinds[i].pcf.identifier, kKinds[j].pcf.identifier))
                return false;
    return true;
}
static_assert(keysReadBackOnce(), "a PCF key reads back as one row");

}  // namespace

std::span<const KindRow> allKinds() { return kKinds; }
std::span<const SymbolRow> allSymbols() { return kSymbols; }

const KindRow* kindRow(int mainType) {
    for (const KindRow& k : kKinds)
        if (kindValue(k.kind) == mainType) return &k;
    return nullptr;
}

const KindRow& kindRow(ObjectKind kind) { return *findKind(kind); }

const SymbolRow* symbolRow(int code) {
    const auto it = std::lower_bound(std::begin(kSymbols), std::end(kSymbols), code,
                                     [](const SymbolRow& s, int c) { return symbolValue(s.code) < c; });
    return it != std::end(kSymbols) && symbolValue(it->code) == code ? &*it : nullptr;
}

const SymbolRow* symbolRowOf(int mainType, int subType) {
    const SymbolRow* s = symbolRow(subType);
    return s && kindValue(s->kind) == mainType ? s : nullptr;
}

std::optional<ObjectKind> kindOfSymbol(int code) {
    const SymbolRow* s = symbolRow(code);
    return s ? std::optional<ObjectKind>(s->kind) : std::nullopt;
}

std::string_view symbolName(int code) {
    const SymbolRow* s = symbolRow(code);
    return s ? s->name : std::string_view();
}

PcfKey pcfKeyOf(int mainType, int subType) {
    if (const SymbolRow* s = symbolRowOf(mainType, subType)) return s->pcf;
    const KindRow* k = kindRow(mainType);
    return k ? k->pcf : PcfKey{};
}

std::optional<RealRole> realRoleOf(int mainType, int subType) {
    if (const SymbolRow* s = symbolRowOf(mainType, subType)) return s->role;
    const KindRow* k = kindRow(mainType);
    return k ? k->role : std::nullopt;
}

std::optional<MaterialGroup> materialGroupOf(int mainType) {
    const KindRow* k = kindRow(mainType);
    return k ? k->materials : std::nullopt;
}

std::optional<KindAndCode> fromPcfKey(std::string_view identifier, std::string_view skey) {
    if (!skey.empty()) {
        for (const SymbolRow& s : kSymbols)
            if (s.pcfReadsBack && s.pcf.skey == skey) return KindAndCode{s.kind, symbolValue(s.code)};
    }
    for (const KindRow& k : kKinds)
        if (!k.pcf.identifier.empty() && k.pcf.skey == skey && (!skey.empty() || k.pcf.identifier == identifier))
            return KindAndCode{k.kind, -1};
    return std::nullopt;
}

}  // namespace tubra::model
