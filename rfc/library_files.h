// The files of the working directory that every SAP RFC library shares with
// the probe, named once for the libraries and the logon above the seam.
#ifndef TIDEWARDEN_RFC_LIBRARY_FILES_H_
#define TIDEWARDEN_RFC_LIBRARY_FILES_H_

namespace tidewarden {

// The destinations' settings; the probe puts a destination's entry in place
// before a logon by destination.
inline constexpr const char* kLibraryIniFile = "SapRfc.ini";

// Where the library writes its errors; removed after a successful run.
inline constexpr const char* kTraceFileName = "Dev_Rfc.Trc";

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_LIBRARY_FILES_H_
