// TPersistent: the base of objects that can be copied onto objects of a
// compatible class. Either side of a pair may implement the copy: the
// destination overrides AssignFrom for sources it knows, the source overrides
// AssignTo for destinations it knows.
#pragma once

#include "Exceptions.h"
#include "Object.h"

class TFiler;

class TPersistent : public TObject {
  SONDREL_CLASS(TPersistent)

 public:
  // Copies `source` onto this object. A null source, a source that is not
  // persistent, or a pair of classes that know no copy raises EConvertError
  // "Cannot assign a %s to a %s".
  virtual void AssignFrom(const TObject* source);

 protected:
  virtual void AssignTo(TPersistent* destination) const;
  // Declares properties streamed besides the published ones; none here.
  virtual void DefineProperties(TFiler& filer);
  friend class TFiler;
  friend class TReader;
  friend class TWriter;
  [[noreturn]] void AssignError(const TObject* source) const;
};
