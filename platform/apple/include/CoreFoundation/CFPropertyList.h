/* Property lists: dictionaries, arrays, strings, data, numbers, booleans and
   their XML form. Only the XML format is read and written. */
#ifndef __COREFOUNDATION_CFPROPERTYLIST__
#define __COREFOUNDATION_CFPROPERTYLIST__

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFError.h>

CF_EXTERN_C_BEGIN

typedef CFIndex CFPropertyListFormat;
enum {
  kCFPropertyListOpenStepFormat = 1,
  kCFPropertyListXMLFormat_v1_0 = 100,
  kCFPropertyListBinaryFormat_v1_0 = 200
};

typedef CFOptionFlags CFPropertyListMutabilityOptions;
enum {
  kCFPropertyListImmutable = 0,
  kCFPropertyListMutableContainers = 1,
  kCFPropertyListMutableContainersAndLeaves = 2
};

/* Error codes (domain kCFErrorDomainCocoa). */
enum {
  kCFPropertyListReadCorruptError = 3840,
  kCFPropertyListReadUnknownVersionError = 3841,
  kCFPropertyListWriteInvalidError = 3851
};

/* The XML form of a property list; null (and *error, when given, a new
   error the caller releases) for another format or a value that is not a
   property list. */
CF_EXPORT CFDataRef CFPropertyListCreateData(CFAllocatorRef allocator, CFPropertyListRef propertyList,
                                             CFPropertyListFormat format, CFOptionFlags options, CFErrorRef *error);
/* Parses the XML form. Returns null (and *error) for anything damaged,
   unknown or nested too deeply; *format, when given, receives the format. */
CF_EXPORT CFPropertyListRef CFPropertyListCreateWithData(CFAllocatorRef allocator, CFDataRef data, CFOptionFlags options,
                                                         CFPropertyListFormat *format, CFErrorRef *error);

CF_EXTERN_C_END

#endif /* __COREFOUNDATION_CFPROPERTYLIST__ */
