#pragma once
// How the units report failures: Rx routines raise again with their prefix, Tx routines show
// the failure to the operator and return -1 (CAN_Opel's Tx routine raises instead).
#include <exception>
#include <string>

#include "BusUnit.h"
#include "Exception.h"
#include "MessageSink.h"

// The two operator texts of a Tx routine.
struct TxFailureTexts {
    const char* InvalidOperationText; // shown as it stands
    const char* OtherPrefix;          // followed by the failure's message
};

inline constexpr int TxFailed = -1;

template <class Body>
int GuardRx(const char* prefix, Body&& body) {
    try {
        return body();
    } catch (const std::exception& e) {
        throw Exception::Prefixed(prefix, e);
    } catch (...) {
        throw Exception(std::string(prefix) + "Unknown failure");
    }
}

template <class Body>
int GuardTx(const TxFailureTexts& texts, Body&& body) {
    try {
        return body();
    } catch (const InvalidOperation&) {
        ShowMessage(texts.InvalidOperationText);
    } catch (const std::exception& e) {
        ShowMessage(std::string(texts.OtherPrefix) + ExceptionMessage(e));
    } catch (...) {
        ShowMessage(std::string(texts.OtherPrefix) + "Unknown failure");
    }
    return TxFailed;
}
