#pragma once
// The twelve link functions of libkrix_interface.so. The library implements them, the
// simulator binds them by name with dlsym, and the fake link library of the tests exports them:
// all three include this one header, so a signature cannot drift between them.
//
// Every buffer belongs to the caller; the library only reads it or copies into it.
#include <cstdint>

#define KRIX_LINK_FUNCTIONS(X)                                                                   \
    X(CreateThreadKrix, bool, (std::int32_t comPort, std::uint8_t autoScan))                     \
    X(DeleteThreadKrix, bool, ())                                                                \
    X(ResetKrix, void, ())                                                                       \
    X(SetMode, bool, (std::uint8_t mode))                                                        \
    X(SetEcuDirect, bool,                                                                        \
      (std::uint32_t system, char letter, const char* setMux, char code, const char* dataDir))   \
    X(InitComKrix, std::int32_t, (std::uint8_t directOpen))                                      \
    X(SetProtocolType, bool,                                                                     \
      (std::uint8_t kind, const std::uint8_t* block, std::uint8_t len1, const std::uint8_t* list1, \
       std::uint8_t len2, const std::uint8_t* list2, std::uint8_t len3, const std::uint8_t* list3)) \
    X(StartStop_Ecu, bool, (std::uint8_t start))                                                 \
    X(TxFrame, bool, (int reserved, int length, const std::uint8_t* data))                       \
    X(RxFrame, bool, (int* length, std::uint8_t* data))                                          \
    X(StatusInitKrix, std::int32_t, (std::uint16_t* textOut))                                    \
    X(StatusTransparent, std::int32_t, ())

// Room that RxFrame may fill, and what TxFrame accepts at most.
inline constexpr int KrixRxFrameRoom = 1017;
inline constexpr int KrixTxFrameMax = 505;
// The parameter block of SetProtocolType is always read as this many bytes.
inline constexpr int KrixProtocolBlockSize = 51;

extern "C" {
#define KRIX_DECLARE(name, ret, args) __attribute__((visibility("default"))) ret name args;
KRIX_LINK_FUNCTIONS(KRIX_DECLARE)
#undef KRIX_DECLARE
}

// Link functions beyond the twelve that a caller binds only when the library has them; with a
// library that lacks one, the caller keeps its plain behaviour.
//
// WaitRxFrame lets a caller sleep until the device delivers a bus frame instead of pausing blind:
//   1  a received bus frame is waiting for RxFrame (at once when one already waits);
//   0  timeoutMs (clamped to 0..1000) passed without one, or the driver thread is being stopped;
//  -1  at once, when there is no driver thread (the caller then pauses as it would without it).
// It takes no frame: RxFrame still does.
#define KRIX_OPTIONAL_LINK_FUNCTIONS(X)                                                          \
    X(WaitRxFrame, std::int32_t, (std::int32_t timeoutMs))

extern "C" {
#define KRIX_DECLARE_OPTIONAL(name, ret, args) __attribute__((visibility("default"))) ret name args;
KRIX_OPTIONAL_LINK_FUNCTIONS(KRIX_DECLARE_OPTIONAL)
#undef KRIX_DECLARE_OPTIONAL
}

// Pointer types for binding at run time: KrixFn_CreateThreadKrix and so on.
#define KRIX_POINTER_TYPE(name, ret, args) using KrixFn_##name = ret(*) args;
KRIX_LINK_FUNCTIONS(KRIX_POINTER_TYPE)
KRIX_OPTIONAL_LINK_FUNCTIONS(KRIX_POINTER_TYPE)
#undef KRIX_POINTER_TYPE
