// Node kinds: the image keys of ImageList1. A node's image key is its kind.
#pragma once

#include <array>
#include <string_view>

namespace zov {

// In image-list order; position i holds image number i + 1.
inline constexpr std::array<std::string_view, 35> ImageList1 = {
    "actor",
    "chain",
    "usecaseRelrip",
    "collaboration",
    "packagereused",
    "package",
    "usecaserel",
    "choices",
    "usecaserip",
    "testcasegiallo",
    "usecasecic",
    "value",
    "entryactor",
    "entryusecase",
    "continua",
    "protectedAttr",
    "publicAttr",
    "sequence",
    "testcase",
    "categoria",
    "classdiag",
    "associazione",
    "messaggio",
    "rose",
    "scolle",
    "usecasediag",
    "usecase",
    "attributo",
    "statediagram",
    "protectedMess",
    "implementationAttr",
    "privateAttr",
    "cartellamain",
    "type",
    "initial",
};

// 1-based image number of a kind, 0 when it is not in the list.
constexpr int ImageNumber(std::string_view kind) {
  for (std::size_t i = 0; i < ImageList1.size(); ++i)
    if (ImageList1[i] == kind) return static_cast<int>(i) + 1;
  return 0;
}

namespace kind {
inline constexpr std::string_view kActor = "actor";
inline constexpr std::string_view kChain = "chain";
inline constexpr std::string_view kUsecaseRelrip = "usecaseRelrip";
inline constexpr std::string_view kCollaboration = "collaboration";
inline constexpr std::string_view kPackageReused = "packagereused";
inline constexpr std::string_view kPackage = "package";
inline constexpr std::string_view kUsecaseRel = "usecaserel";
inline constexpr std::string_view kChoices = "choices";
inline constexpr std::string_view kUsecaseRip = "usecaserip";
inline constexpr std::string_view kTestcaseGiallo = "testcasegiallo";
inline constexpr std::string_view kUsecaseCic = "usecasecic";
inline constexpr std::string_view kValue = "value";
inline constexpr std::string_view kEntryUsecase = "entryusecase";
inline constexpr std::string_view kContinua = "continua";
inline constexpr std::string_view kSequence = "sequence";
inline constexpr std::string_view kTestcase = "testcase";
inline constexpr std::string_view kClassDiag = "classdiag";
inline constexpr std::string_view kMessaggio = "messaggio";
inline constexpr std::string_view kRose = "rose";
inline constexpr std::string_view kUsecase = "usecase";
inline constexpr std::string_view kAttributo = "attributo";
inline constexpr std::string_view kStateDiagram = "statediagram";
inline constexpr std::string_view kType = "type";
inline constexpr std::string_view kInitial = "initial";

// A scenario diagram: a sequence or a collaboration diagram.
constexpr bool IsScenario(std::string_view k) { return k == kSequence || k == kCollaboration; }
}  // namespace kind

}  // namespace zov
