#include "Filer.h"

#include "Persistent.h"

SONDREL_CLASS_RECORD(TFiler, TObject, "Classes");

TFiler::TFiler(TStream& stream, int bufferSize)
    : FStream(stream), FBuffer(std::make_unique<char[]>(bufferSize)), FBufferSize(bufferSize) {}

void TFiler::AskDeclarations(TPersistent& object) { object.DefineProperties(*this); }
