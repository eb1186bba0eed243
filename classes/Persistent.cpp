#include "Persistent.h"

SONDREL_CLASS_RECORD(TPersistent, TObject, "Classes");

void TPersistent::AssignFrom(const TObject* source) {
  if (!source || !source->Is<TPersistent>()) AssignError(source);
  static_cast<const TPersistent*>(source)->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* destination) const { destination->AssignError(this); }

void TPersistent::AssignError(const TObject* source) const {
  throw EConvertError(TResId::CannotAssign,
                      {source ? source->ClassName() : String("nil"), ClassName()});
}

void TPersistent::DefineProperties(TFiler&) {}
