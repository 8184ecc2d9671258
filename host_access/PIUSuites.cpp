#include "host_access/PIUSuites.h"

#include <cstring>

#include "records/data.h"
#include "records/plugin_globals.h"

AutoSuite<PSActionDescriptorProcs> sPSActionDescriptor("df135115-c769-11d0-8079-00c04fd7ec47", 3);
AutoSuite<PSActionControlProcs> sPSActionControl("bc1e4d70-f953-11d0-8d9f-00c04fd5f7ee", 3);
AutoSuite<PSBasicActionControlProcs> sPSBasicActionControl("3eb7c480-8797-11d1-8da7-00c04fd5f7ee", 2);
AutoSuite<PSActionReferenceProcs> sPSActionReference("df135117-c769-11d0-8079-00c04fd7ec47", 3);
AutoSuite<PSActionListProcs> sPSActionList("df135116-c769-11d0-8079-00c04fd7ec47", 2);
AutoSuite<PSDescriptorRegistryProcs> sPSRegistry("61e608b0-40fd-11d1-8da3-00c04fd5f7ee", 1);
AutoSuite<PSUIHooksSuite1> sPSUIHooks("Photoshop UIHooks Suite for Plug-ins", 1);
AutoSuite<PSHandleSuite2> sPSHandle("Photoshop Handle Suite for Plug-ins", 2);
AutoSuite<ASZStringSuite> sASZString("AS ZString Suite", 1);
AutoSuite<SPAccessSuite> sSPAccess("SP Access Suite", 3);
AutoSuite<PSGetFileListSuite4> sPSFileList("Photoshop GetFileList Suite for Plug-ins", 4);
AutoSuite<PSBufferSuite1> sPSBuffer("Photoshop Buffer Suite for Plug-ins", 1);
AutoSuite<PSChannelPortsSuite1> sPSChannelProcs("Photoshop ChannelPorts Suite for Plug-ins", 3);
AutoSuite<SPRuntimeSuite> sSPRuntime("SP Runtime Suite", 5);
AutoSuite<PropertyProcs> sPSProperty("Photoshop Property Suite for Plug-ins", 1);
AutoSuite<PSAliasSuite> sPSAlias("Photoshop Alias Utility Suite", 1);
AutoSuite<ResourceProcs> sPSResource("Photoshop Resource Suite for Plug-ins", 3);
AutoSuite<JSScriptingSuite2> sScripting("JavaScript Scripting Suite", 2);

void ReleaseSuite(AutoSuiteBase* holder) {
    if (!holder || !holder->suite) return;
    if (sSPBasic && sSPBasic->ReleaseSuite) sSPBasic->ReleaseSuite(holder->name, holder->version);
    holder->suite = nullptr;
}
