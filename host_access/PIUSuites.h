// The host's suites by name and version, released through the basic suite
// at the end. Each holder keeps the acquired procedure table
// (null until acquired); the tables themselves are the host's, opaque here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/host/basic_suite.h"

struct AutoSuiteBase {
    const void* suite;    // the acquired table; null until acquired
    int32_t version;
    const char* name;
};

// One holder per suite; T names the table for readability at the call site.
template <class T>
struct AutoSuite : AutoSuiteBase {
    AutoSuite(const char* suiteName, int32_t suiteVersion) : AutoSuiteBase{nullptr, suiteVersion, suiteName} {}
    ~AutoSuite() { Release(); }
    AutoSuite(const AutoSuite&) = delete;
    AutoSuite& operator=(const AutoSuite&) = delete;
    const T* get() const { return static_cast<const T*>(suite); }
    void Release();
};

// Releases the table through the basic suite when it was acquired and the
// basic suite is known; the holder's pointer becomes null either way.
void ReleaseSuite(AutoSuiteBase* holder);

template <class T>
void AutoSuite<T>::Release() { ReleaseSuite(this); }

// The procedure tables are opaque to the plug-in until a part needs one.
struct PSActionDescriptorProcs;
struct PSActionControlProcs;
struct PSBasicActionControlProcs;
struct PSActionReferenceProcs;
struct PSActionListProcs;
struct PSDescriptorRegistryProcs;
struct PSUIHooksSuite1;
struct PSHandleSuite2;
struct ASZStringSuite;
struct SPAccessSuite;
struct PSGetFileListSuite4;
struct PSBufferSuite1;
struct PSChannelPortsSuite1;
struct SPRuntimeSuite;
struct PropertyProcs;
struct PSAliasSuite;
struct ResourceProcs;
struct JSScriptingSuite2;

extern AutoSuite<PSActionDescriptorProcs> sPSActionDescriptor;
extern AutoSuite<PSActionControlProcs> sPSActionControl;
extern AutoSuite<PSBasicActionControlProcs> sPSBasicActionControl;
extern AutoSuite<PSActionReferenceProcs> sPSActionReference;
extern AutoSuite<PSActionListProcs> sPSActionList;
extern AutoSuite<PSDescriptorRegistryProcs> sPSRegistry;
extern AutoSuite<PSUIHooksSuite1> sPSUIHooks;
extern AutoSuite<PSHandleSuite2> sPSHandle;
extern AutoSuite<ASZStringSuite> sASZString;
extern AutoSuite<SPAccessSuite> sSPAccess;
extern AutoSuite<PSGetFileListSuite4> sPSFileList;
extern AutoSuite<PSBufferSuite1> sPSBuffer;
extern AutoSuite<PSChannelPortsSuite1> sPSChannelProcs;
extern AutoSuite<SPRuntimeSuite> sSPRuntime;
extern AutoSuite<PropertyProcs> sPSProperty;
extern AutoSuite<PSAliasSuite> sPSAlias;
extern AutoSuite<ResourceProcs> sPSResource;
extern AutoSuite<JSScriptingSuite2> sScripting;
