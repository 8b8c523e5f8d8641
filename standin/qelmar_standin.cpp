#include "host/qelmar.h"
#include <cstdarg>
#include <cstdio>
extern "C" {
uint16_t QelMkClient(const char*, int32_t, int32_t, uint8_t* id) { *id = 1; return 0; }
void QelRmClient(uint8_t) {}
uint16_t QelWaitMsg(uint8_t, void*, int32_t) { return 0; }
uint16_t QelGetGateIdByAddressStr(uint8_t, uint8_t, const char*, uint32_t*) { return 1; }
uint16_t QelGetGateRawValue(uint8_t, uint32_t, RawGateValue*, int32_t) { return 1; }
uint16_t QelCook(uint8_t, uint32_t, RawGateValue, CookedValue*) { return 1; }
uint16_t QelPutGateVal(uint8_t, uint32_t, int32_t, CookedValue, int32_t, int32_t) { return 1; }
void QelGetQelmarVer(uint8_t, uint16_t* v, char*) { *v = 820; }
void err(int32_t, const char* f, ...) { va_list a; va_start(a, f); vfprintf(stderr, f, a); va_end(a); fputc('\n', stderr); }
}
