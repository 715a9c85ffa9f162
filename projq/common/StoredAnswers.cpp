#include "StoredAnswers.h"

QByteArray *StoredAnswers::buffer(qsizetype length)
{
    switch (length) {
    case kParamBlockSize:
        return &param;
    case kCloudBlockSize:
        return &cloud;
    case kHeartRegBlockSize:
        return &heartReg;
    case kModbusPackBlockSize:
        return &modbusPack;
    case kModbusNewBlockSize:
        return &modbusNew;
    case kHttpdBlockSize:
        return &httpd;
    default:
        return nullptr;
    }
}

bool StoredAnswers::storeReply(const QByteArray &answer)
{
    QByteArray *stored = buffer(answer.size());
    if (!stored)
        return false;
    *stored = answer;
    if (answer.size() == kParamBlockSize)
        rememberFlags(answer);
    return true;
}

void StoredAnswers::rememberFlags(const QByteArray &param)
{
    if (param.size() < kParamBlockSize)
        return;
    baseFlags = quint8(param.at(3));
    portFlags = quint8(param.at(kPortBlockOffset + 50));
}
