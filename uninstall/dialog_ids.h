/* Control ids of the wizard's pages, shared by the dialog templates and the code. */
#pragma once

#define IDC_PROMPT1_TEXT1 1011
#define IDC_PROMPT1_TEXT2 1012
#define IDC_PROMPT1_TEXT3 1013
#define IDC_PROMPT2_TEXT1 1014
#define IDC_PROMPT2_TEXT2 1015
#define IDC_PROMPT2_TEXT3 1016
#define IDC_PROMPT2_BACK 1017
#define IDC_PROMPT3_TEXT1 1018
#define IDC_PROMPT3_TEXT2 1019
#define IDC_PROMPT3_TEXT3 1020
