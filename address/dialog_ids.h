// Resource and control ids of the address-format dialog. Plain #defines, so
// that the resource compiler and C++ share them.
#pragma once

#define IDD_TAG_FORMAT 101
#define IDD_TAG_FORMAT_LANGUAGE 1037  /* Hebrew (Israel): LANG_HEBREW 0x0D, SUBLANG 0x01 */

#define IDC_LINE_EDIT 1003
#define IDC_LINE_ARROW 1001
#define IDC_DETECTOR_EDIT 1015
#define IDC_DETECTOR_ARROW 1016
#define IDC_ZONE_EDIT 1002
#define IDC_ZONE_ARROW 1039
#define IDC_LINE_RANGE 1033
#define IDC_DETECTOR_RANGE 1034
#define IDC_ZONE_RANGE 1042
#define IDC_DETECTOR_LABEL 1040
#define IDC_KIND_LINE_DETECTOR 1036
#define IDC_KIND_ZONE 1037
#define IDC_UNNAMED (-1)

/* The predefined control classes, stored as their atoms in the template. */
#define ZID_CLASS_BUTTON 0x0080
#define ZID_CLASS_EDIT 0x0081
#define ZID_CLASS_STATIC 0x0082
#define ZID_CLASS_SCROLLBAR 0x0084
