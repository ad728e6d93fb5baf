# Splits the time of one remendo.exe run under Wine, from the debug output of
# WINEDEBUG=+timestamp,+debugstr,+relay with RelayInclude naming the calls
# below. Every line then starts "SECONDS.MILLIS:THREAD:": log lines as
# OutputDebugStringA traces, calls as "Call DLL.Name(...) ret=ADDRESS" and
# "Ret  DLL.Name() retval=... ret=ADDRESS".
#
#   awk -v image_base=HEX -v image_size=HEX -f run-times.awk TRACE
#
# The trace's first line is written by remendo.exe's main thread as Wine starts
# the process; lines of other threads (the child programs it starts, whose
# output goes to the same trace) are not its own. Only calls made by
# remendo.exe's own code count (their return address lies in its image):
# Wine's DLLs make such calls too, inside the service manager's functions for
# example, and those are Wine's time. A call made while another counted call is
# open (a message box of the dialog) counts within the outer one.
# Prints "name: value" lines:
#   startup_seconds          from the first line to the first log line: Wine
#                            loading the program and its DLLs
#   waits_seconds, waits     the run's own waits, whichever call makes them:
#                            Sleep, WaitForSingleObject, and the
#                            MsgWaitForMultipleObjects of the waits that pump
#                            messages, once per call (service polls,
#                            printer-list retries, child waits)
#   dialogs_seconds          time inside MessageBoxA and DialogBoxParamA
#   service_manager_seconds  time inside the service manager's functions
#   hosts_rewrite_seconds    from "- Starting to update the Host file" to
#                            "--- Done updating the Host file" (the last pair)

function hex(text,    value, i, digit) {
    value = 0
    text = tolower(text)
    sub(/^0x/, "", text)
    for (i = 1; i <= length(text); ++i) {
        digit = index("0123456789abcdef", substr(text, i, 1)) - 1
        if (digit < 0)
            break
        value = value * 16 + digit
    }
    return value
}

function category(name) {
    if (name == "Sleep" || name == "WaitForSingleObject" || name == "MsgWaitForMultipleObjects")
        return "waits"
    if (name == "MessageBoxA" || name == "DialogBoxParamA")
        return "dialogs"
    if (name ~ /^(OpenSCManagerA|OpenServiceA|StartServiceA|ControlService|QueryServiceStatus|QueryServiceConfigA|CloseServiceHandle)$/)
        return "service_manager"
    return ""
}

BEGIN {
    low = hex(image_base)
    high = low + hex(image_size)
}

match($0, /^[0-9]+\.[0-9]+:[0-9a-f]+:/) {
    split(substr($0, 1, RLENGTH), stamp, ":")
    seconds = stamp[1] + 0
    rest = substr($0, RLENGTH + 1)
    if (mainThread == "") {
        mainThread = stamp[2]
        started = seconds
    }
    if (stamp[2] != mainThread)
        next
    if (firstLog == "" && index(rest, "OutputDebugStringA"))
        firstLog = seconds

    if (rest ~ /^(Call |Ret  )[A-Za-z0-9_]+\.[A-Za-z0-9_]+\(/ && match(rest, /ret=[0-9a-fA-F]+$/)) {
        address = hex(substr(rest, RSTART + 4))
        if (address < low || address >= high)
            next
        name = rest
        sub(/^(Call |Ret  )[A-Za-z0-9_]+\./, "", name)
        sub(/\(.*/, "", name)
        kind = category(name)
        if (kind == "")
            next
        if (rest ~ /^Call/) {
            if (depth++ == 0) {
                opened = seconds
                openedKind = kind
            }
        } else if (depth > 0 && --depth == 0) {
            total[openedKind] += seconds - opened
            count[openedKind]++
        }
        next
    }

    if (index(rest, "- Starting to update the Host file"))
        hostsStart = seconds
    else if (index(rest, "--- Done updating the Host file") && hostsStart != "")
        hostsSeconds = seconds - hostsStart
}

END {
    if (firstLog != "")
        printf "startup_seconds: %.3f\n", firstLog - started
    printf "waits_seconds: %.3f\n", total["waits"]
    printf "waits: %d\n", count["waits"]
    printf "dialogs_seconds: %.3f\n", total["dialogs"]
    printf "dialogs: %d\n", count["dialogs"]
    printf "service_manager_seconds: %.3f\n", total["service_manager"]
    if (hostsSeconds != "")
        printf "hosts_rewrite_seconds: %.3f\n", hostsSeconds
}
