// Function publishing: interfaces a plug-in publishes so that scripts and other plug-ins can
// find them by name and call their functions and properties.
#ifndef HOST_FUNCTIONPUBLISHING_H
#define HOST_FUNCTIONPUBLISHING_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>

#include "host/MaxString.h"
#include "host/PlugApi.h"
#include "host/Tab.h"

#include <ifnpub.h>
#else

#include "host/MaxString.h"
#include "host/PlugApi.h"
#include "host/Tab.h"

#include <cstdarg>
#include <cstddef>
#include <vector>

#define UNUSED_PARAM(x) ((void)(x))

typedef int FPStatus;
typedef short FunctionID;
#define FP_NO_FUNCTION ((FunctionID)-1)
typedef short EnumID;
#define FP_NO_ENUM ((EnumID)-1)
typedef int StringResID;

#define FPINTERFACE_ID Interface_ID(0, 2)
#define FPINTERFACEDESC_ID Interface_ID(0, 4)

#define FPS_FAIL 0
#define FPS_NO_SUCH_FUNCTION -1
#define FPS_ACTION_DISABLED -2
#define FPS_OK 1

// Interface flags.
#define FP_ACTIONS 0x0001
#define FP_MIXIN 0x0002
#define FP_CORE 0x0004
#define FP_STATIC_METHODS 0x0008

/// Value types of published parameters, results and properties (the ones this host carries).
enum ParamType { TYPE_FLOAT, TYPE_INT, TYPE_RGBA, TYPE_POINT3, TYPE_BOOL, TYPE_USER };
enum ParamType2 { TYPE_ANGLE = TYPE_BOOL + 1 };

/// Tags in the argument list of an interface descriptor.
enum ParamTags { p_default = -(1 << 30), p_end = p_default + 1024, properties, enums };

namespace MaxSDK {
/// The SDK's array of values with constructors (the part published calls use).
template <class T> class Array : public MaxHeapOperators {
public:
    size_t length() const { return items.size(); }
    Array& append(const T& value) {
        items.push_back(value);
        return *this;
    }
    void removeAll() { items.clear(); }
    T& operator[](size_t i) {
        if (i >= items.size())
            reportHostMisuse("MaxSDK::Array index outside the array");
        return items.at(i < items.size() ? i : 0);
    }
    const T& operator[](size_t i) const { return const_cast<Array&>(*this)[i]; }

private:
    std::vector<T> items;
};
} // namespace MaxSDK

class FPInterfaceDesc;
class FPParams;
class FPValue;

/// One value passed to or returned from a published function.
class MAXHOST_API FPValue : public MaxHeapOperators {
public:
    ParamType2 type;
    union {
        int i;
        float f;
        DWORD d;
        bool b;
        INT_PTR intptr;
        const MCHAR* s;
        void* ptr;
    };
    FPValue() { Init(); }
    FPValue(const FPValue& from) {
        Init();
        *this = from;
    }
    ~FPValue() { Free(); }
    void Free();
    void Init();
    FPValue& operator=(const FPValue& sv);
    /// Loads a value of `paramType` from the next argument(s) of `ap`; `pointer`: the value of a
    /// pointer-carried type is given by pointer. (The list is taken by address: a va_list
    /// cannot be returned on every platform.)
    void Loadva(int paramType, va_list* ap, bool pointer = false);
    void Load(int paramType, ...) {
        va_list ap;
        va_start(ap, paramType);
        Loadva(paramType, &ap);
        va_end(ap);
    }
    void LoadPtr(int paramType, ...) {
        va_list ap;
        va_start(ap, paramType);
        Loadva(paramType, &ap, true);
        va_end(ap);
    }
};

/// The arguments of one published call.
class MAXHOST_API FPParams : public MaxHeapOperators {
public:
    MaxSDK::Array<FPValue> params;
    FPParams() {}
    /// `count` values, each given as its type followed by the value.
    FPParams(int count, ...);
    ~FPParams();
    void Load(int count, ...);
    int GetNumParams();
    FPValue* GetFPValue(int i);
};

/// A published property: the functions that read and write it, its name and type.
class MAXHOST_API FPPropDef : public MaxHeapOperators {
public:
    DWORD cbStruct;
    FunctionID getter_ID;
    FunctionID setter_ID;
    MSTR internal_name;
    StringResID description;
    USHORT flags;
    ParamType2 prop_type;
    EnumID enumID;
    FPPropDef() : prop_type(TYPE_ANGLE) {
        cbStruct = sizeof(FPPropDef);
        flags = 0;
        description = 0;
        getter_ID = setter_ID = FPS_NO_SUCH_FUNCTION;
        enumID = FP_NO_ENUM;
    }
};

/// A published function (this host publishes properties only, so it holds no function
/// descriptors yet).
class FPFunctionDef;

/// The base of every published interface: calls its functions by ID.
class MAXHOST_API FPInterface : public BaseInterface {
protected:
    virtual FPStatus _dispatch_fn(FunctionID fid, TimeValue t, FPValue& result, FPParams* p) {
        (void)fid;
        (void)t;
        (void)result;
        (void)p;
        return FPS_NO_SUCH_FUNCTION;
    }

public:
    virtual FPInterfaceDesc* GetDesc() = 0;
    virtual FPStatus Invoke(FunctionID fid, TimeValue t = 0, FPParams* params = NULL);
    virtual FPStatus Invoke(FunctionID fid, FPParams* params) { return Invoke(fid, 0, params); }
    virtual FPStatus Invoke(FunctionID fid, TimeValue t, FPValue& result, FPParams* params = NULL);
    virtual FPStatus Invoke(FunctionID fid, FPValue& result, FPParams* params = NULL) {
        return Invoke(fid, 0, result, params);
    }
    /// The ID of the function named `name`, or FP_NO_FUNCTION.
    virtual FunctionID FindFn(const MCHAR* name);
};

/// An interface together with its description: ID, name, publishing class and properties.
class MAXHOST_API FPInterfaceDesc : public FPInterface {
protected:
    void load_descriptor(Interface_ID id, const MCHAR* int_name, StringResID descr, ClassDesc* cd,
                         USHORT flag, va_list ap);

public:
    Interface_ID ID;
    MSTR internal_name;
    StringResID description;
    ClassDesc* cd;
    USHORT flags;
    Tab<FPFunctionDef*> functions;
    Tab<FPPropDef*> props;

    FPInterfaceDesc();
    /// Describes the interface from the arguments after `flag`: function definitions (none in
    /// this host), then `properties` followed by (getter ID, setter ID, name, description,
    /// type) for each property, then `p_end`. With `cd`, the interface is published by that
    /// class (ClassDesc::AddInterface).
    FPInterfaceDesc(Interface_ID id, const MCHAR* int_name, StringResID descr, ClassDesc* cd,
                    ULONG flag, ...);
    ~FPInterfaceDesc();
    virtual void Init() {}
    void LoadDescriptor(Interface_ID id, const MCHAR* int_name, StringResID descr, ClassDesc* pCD,
                        ULONG flag, ...);
    FPInterfaceDesc* GetDesc() { return this; }
    Interface_ID GetID() { return ID; }

private:
    FPInterfaceDesc(const FPInterfaceDesc&);
    FPInterfaceDesc& operator=(const FPInterfaceDesc&);
};

/// The base of static interfaces: one instance, which holds its own description.
class MAXHOST_API FPStaticInterface : public FPInterfaceDesc {};

// The function map of an interface: one case per function ID.
#define BEGIN_FUNCTION_MAP                                                                         \
public:                                                                                            \
    FPStatus _dispatch_fn(FunctionID fid, TimeValue t, FPValue& result, FPParams* p) {             \
        UNUSED_PARAM(t);                                                                           \
        UNUSED_PARAM(result);                                                                      \
        UNUSED_PARAM(p);                                                                           \
        FPStatus status = FPS_OK;                                                                  \
        switch (fid) {

#define END_FUNCTION_MAP                                                                           \
    default:                                                                                       \
        status = FPS_NO_SUCH_FUNCTION;                                                             \
        }                                                                                          \
        return status;                                                                             \
        }

#define FP_FIELD(_type, _v) (_type##_FIELD(_v))
#define TYPE_INT_FIELD(_v) (((_v).i))
#define TYPE_BOOL_FIELD(_v) (((_v).i))
#define TYPE_INT_RSLT
#define TYPE_BOOL_RSLT

/// A property read by _getFn and written by _setFn.
#define PROP_FNS(_getID, _getFn, _setID, _setFn, _ptype)                                           \
    case _getID:                                                                                   \
        result.LoadPtr(_ptype, _ptype##_RSLT(_getFn()));                                           \
        break;                                                                                     \
    case _setID:                                                                                   \
        _setFn(FP_FIELD(_ptype, p->params[0]));                                                    \
        break;

#endif // MSH_REAL_SDK

#endif
