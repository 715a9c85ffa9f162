#pragma once

// The key table behind ParamKeys.h: each key's description with the functions that read it
// from and write it into the decoded records. Inside the engine only.

#include "ParamKeys.h"

#include "common/ParamRecords.h"

// Every record a key reads or writes.
struct Records
{
    BaseParams base;
    PortParams port;
    CloudParams cloud;
    HeartRegParams heart;
    HttpdParams httpd;
    ModbusParams modbusShort;
    ModbusPackParams pack;
    ModbusNewParams modbusNew;
};

using Getter = QVariant (*)(const Records &);
using Setter = void (*)(Records &, const QVariant &);

struct KeyImpl
{
    ParamKey info;
    Getter get = nullptr;
    Setter set = nullptr;
};

// Every key with its record functions, in table order.
const QList<KeyImpl> &paramKeyTable();
