// Function publishing: interface descriptors built from their argument lists, calls by
// function ID, and the interfaces a class descriptor publishes.
#include "host/impl/SceneState.h"

#include <cwctype>

namespace {

bool sameName(const MCHAR* a, const MCHAR* b) {
    // Script names are case-insensitive.
    for (; *a && *b; ++a, ++b)
        if (std::towlower(wint_t(*a)) != std::towlower(wint_t(*b)))
            return false;
    return *a == *b;
}

// Reads the `properties` section: (getter ID, setter ID, name, description, type) per
// property up to p_end. Function definitions before it are not supported by this host.
void readProperties(Tab<FPPropDef*>& props, va_list ap) {
    int tag = va_arg(ap, int);
    if (tag == p_end)
        return;
    if (tag != properties) {
        hostimpl::misuse("FPInterfaceDesc: function definitions (only properties are supported)");
        return;
    }
    for (int getter = va_arg(ap, int); getter != p_end; getter = va_arg(ap, int)) {
        FPPropDef* prop = new FPPropDef;
        prop->getter_ID = FunctionID(getter);
        prop->setter_ID = FunctionID(va_arg(ap, int));
        prop->internal_name = va_arg(ap, const MCHAR*);
        prop->description = va_arg(ap, int);
        prop->prop_type = ParamType2(va_arg(ap, int));
        if (prop->prop_type != ParamType2(TYPE_BOOL) && prop->prop_type != ParamType2(TYPE_INT))
            hostimpl::misuse("FPInterfaceDesc: property \"" +
                             hostimpl::narrow(prop->internal_name.data()) +
                             "\" of a type other than TYPE_BOOL or TYPE_INT");
        props.Append(1, &prop);
    }
}

FPPropDef* findProperty(FPInterfaceDesc* desc, const MCHAR* name) {
    for (int i = 0; i < desc->props.Count(); ++i)
        if (sameName(desc->props[i]->internal_name.data(), name))
            return desc->props[i];
    return nullptr;
}

FPInterface* findInterface(ClassDesc& desc, const MCHAR* interfaceName) {
    return interfaceName ? desc.GetInterface(interfaceName) : nullptr;
}

} // namespace

void FPValue::Init() {
    type = ParamType2(TYPE_INT);
    ptr = nullptr;
}

void FPValue::Free() {
    // Only values carried in place are supported, so nothing is owned.
    Init();
}

FPValue& FPValue::operator=(const FPValue& sv) {
    if (this != &sv) {
        type = sv.type;
        ptr = nullptr;
        intptr = sv.intptr;
    }
    return *this;
}

void FPValue::Loadva(int paramType, va_list* ap, bool pointer) {
    (void)pointer; // int and BOOL values are carried in place either way
    type = ParamType2(paramType);
    ptr = nullptr;
    switch (paramType) {
    case TYPE_INT:
    case TYPE_BOOL:
        i = va_arg(*ap, int);
        break;
    case TYPE_FLOAT:
        f = float(va_arg(*ap, double));
        break;
    default:
        hostimpl::misuse("FPValue::Load of type " + std::to_string(paramType) +
                         " (only TYPE_INT, TYPE_BOOL and TYPE_FLOAT are supported)");
    }
}

FPParams::FPParams(int count, ...) {
    va_list ap;
    va_start(ap, count);
    for (int n = 0; n < count; ++n) {
        FPValue value;
        value.Loadva(va_arg(ap, int), &ap);
        params.append(value);
    }
    va_end(ap);
}

FPParams::~FPParams() {}

void FPParams::Load(int count, ...) {
    va_list ap;
    va_start(ap, count);
    for (int n = 0; n < count; ++n) {
        FPValue value;
        value.Loadva(va_arg(ap, int), &ap);
        params.append(value);
    }
    va_end(ap);
}

int FPParams::GetNumParams() {
    return int(params.length());
}

FPValue* FPParams::GetFPValue(int i) {
    if (i < 0 || size_t(i) >= params.length()) {
        hostimpl::misuse("FPParams::GetFPValue(" + std::to_string(i) + ") of " +
                         std::to_string(params.length()) + " values");
        return nullptr;
    }
    return &params[size_t(i)];
}

FPStatus FPInterface::Invoke(FunctionID fid, TimeValue t, FPParams* params) {
    FPValue result;
    return Invoke(fid, t, result, params);
}

FPStatus FPInterface::Invoke(FunctionID fid, TimeValue t, FPValue& result, FPParams* params) {
    // A property setter reads its value as params->params[0]; the real host always passes it.
    FPInterfaceDesc* desc = GetDesc();
    for (int i = 0; desc && i < desc->props.Count(); ++i)
        if (desc->props[i]->setter_ID == fid && (!params || params->GetNumParams() < 1)) {
            hostimpl::misuse("FPInterface::Invoke: the setter of \"" +
                             hostimpl::narrow(desc->props[i]->internal_name.data()) +
                             "\" without a value");
            return FPS_FAIL;
        }
    return _dispatch_fn(fid, t, result, params);
}

FunctionID FPInterface::FindFn(const MCHAR* name) {
    (void)name; // no function definitions are held, only properties
    return FP_NO_FUNCTION;
}

FPInterfaceDesc::FPInterfaceDesc() : description(0), cd(nullptr), flags(0) {}

FPInterfaceDesc::FPInterfaceDesc(Interface_ID id, const MCHAR* int_name, StringResID descr,
                                 ClassDesc* publisher, ULONG flag, ...)
    : description(0), cd(nullptr), flags(0) {
    va_list ap;
    va_start(ap, flag);
    load_descriptor(id, int_name, descr, publisher, USHORT(flag), ap);
    va_end(ap);
}

FPInterfaceDesc::~FPInterfaceDesc() {
    for (int i = 0; i < props.Count(); ++i)
        delete props[i];
}

void FPInterfaceDesc::LoadDescriptor(Interface_ID id, const MCHAR* int_name, StringResID descr,
                                     ClassDesc* pCD, ULONG flag, ...) {
    va_list ap;
    va_start(ap, flag);
    load_descriptor(id, int_name, descr, pCD, USHORT(flag), ap);
    va_end(ap);
}

void FPInterfaceDesc::load_descriptor(Interface_ID id, const MCHAR* int_name, StringResID descr,
                                      ClassDesc* pCD, USHORT flag, va_list ap) {
    ID = id;
    internal_name = int_name;
    description = descr;
    cd = pCD;
    flags = flag;
    readProperties(props, ap);
    Init();
    if (cd)
        cd->AddInterface(this);
}

FPInterface* ClassDesc::GetInterface(Interface_ID id) {
    for (int i = 0; i < interfaces.Count(); ++i)
        if (interfaces[i]->GetID() == id)
            return interfaces[i];
    return nullptr;
}

FPInterface* ClassDesc::GetInterface(const MCHAR* name) {
    for (int i = 0; i < interfaces.Count(); ++i) {
        FPInterfaceDesc* desc = interfaces[i]->GetDesc();
        if (name && desc && sameName(desc->internal_name.data(), name))
            return interfaces[i];
    }
    return nullptr;
}

void ClassDesc::AddInterface(FPInterface* fpi) {
    if (!fpi) {
        hostimpl::misuse("ClassDesc::AddInterface(NULL)");
        return;
    }
    if (GetInterface(fpi->GetID()))
        hostimpl::misuse("ClassDesc::AddInterface: an interface of that ID is published already");
    interfaces.Append(1, &fpi);
}

bool setPublishedProperty(ClassDesc& desc, const MCHAR* interfaceName, const MCHAR* name,
                          BOOL value) {
    FPInterface* fpi = findInterface(desc, interfaceName);
    FPPropDef* prop = fpi && name ? findProperty(fpi->GetDesc(), name) : nullptr;
    if (!prop || prop->setter_ID == FPS_NO_SUCH_FUNCTION)
        return false;
    FPParams params(1, int(prop->prop_type), int(value));
    return fpi->Invoke(prop->setter_ID, &params) == FPS_OK;
}

bool getPublishedProperty(ClassDesc& desc, const MCHAR* interfaceName, const MCHAR* name,
                          BOOL& value) {
    FPInterface* fpi = findInterface(desc, interfaceName);
    FPPropDef* prop = fpi && name ? findProperty(fpi->GetDesc(), name) : nullptr;
    FPValue result;
    if (!prop || fpi->Invoke(prop->getter_ID, result) != FPS_OK)
        return false;
    value = result.i;
    return true;
}
