#include "StoredAnswers.h"

QByteArray *TStoredAnswers::Buffer(qsizetype length)
{
    switch (length) {
    case kParamBlockSize:
        return &Param;
    case kCloudBlockSize:
        return &Cloud;
    case kHeartRegBlockSize:
        return &HeartReg;
    case kModbusPackBlockSize:
        return &ModbusPack;
    case kModbusNewBlockSize:
        return &ModbusNew;
    case kHttpdBlockSize:
        return &Httpd;
    default:
        return nullptr;
    }
}

bool TStoredAnswers::StoreReply(const QByteArray &answer)
{
    QByteArray *buffer = Buffer(answer.size());
    if (!buffer)
        return false;
    *buffer = answer;
    if (answer.size() == kParamBlockSize)
        RememberFlags(answer);
    return true;
}

void TStoredAnswers::RememberFlags(const QByteArray &param)
{
    if (param.size() < kParamBlockSize)
        return;
    BaseFlags = quint8(param.at(3));
    PortFlags = quint8(param.at(kPortBlockOffset + 50));
}
