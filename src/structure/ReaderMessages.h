#pragma once

// The reasons a structure cannot be read, shared by the structure file
// reader and the import of the exchange formats.

namespace velmor::readerMessages {

inline constexpr const char* kCannotOpen = "Nije moguće otvoriti zadanu datoteku";
inline constexpr const char* kNoAccess = "Onemogućen pristup zadanoj datoteci";
inline constexpr const char* kBadMatrices = "Pogrešna inicijalizacija ulazne matrice";
inline constexpr const char* kIllegalEnd = "Onemogućen pristup ili ilegalan kraj datoteke";
inline constexpr const char* kCannotReposition = "Onemogućen pristup ili pozicioniranje u datoteci";
inline constexpr const char* kNodeRefused = "Nije moguće zapisati podatke o čvorovima u listu";
inline constexpr const char* kBadNodeLine = "Neispravna struktura podataka pri zadavanju cvorova";
inline constexpr const char* kNoNodes = "Neispravna struktura, potrebno je zadati cvorove";
inline constexpr const char* kEdgeRefused = "Nije moguće zapisati podatke o granama u listu";
inline constexpr const char* kMissingEdgeNode = "Nepostojeći ulazni ili izlazni čvor grana";
inline constexpr const char* kBadEdgeLine = "Neispravna struktura podataka pri zadavanju grana";
inline constexpr const char* kNoEdges = "Neispravna struktura, potrebno je zadati grane";
inline constexpr const char* kMissingPairNode = "Nepostojeći izvorišni ili odredišni čvor strukture";
inline constexpr const char* kBadPair = "Neispravna struktura pri zadavanju izvorišta i odredišta";
inline constexpr const char* kListSearch = "Greška u pretrazivanju povezane liste";
inline constexpr const char* kNotEnoughData = "Nedovoljno podataka za generiranje strukture";
// A directedness section without "da" or "ne" would be found again after
// every rewind, so the load ends instead of looping.
inline constexpr const char* kNoDirection = "Neispravna struktura pri zadavanju usmjerenosti";
inline constexpr const char* kTooLarge = "Struktura je prevelika za raspoloživu memoriju: dopušteno je najviše ";
inline constexpr const char* kOutOfMemory = "Nedovoljno memorije za učitavanje strukture";

} // namespace velmor::readerMessages
