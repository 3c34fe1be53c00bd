# The TarnwickWol module in PowerShell 7, installed as its users install it:
#   pwsh -File module_test.ps1 -Repository DIR -Version VERSION -Pwsh PWSH
# (run by powershell_test.sh, with HOME in the build folder). Installs the
# module from DIR as a local PSResource repository, then wakes receivers on
# 127.0.0.1 through the pipeline: a CSV file, strings, a bad MAC address
# among good ones, -WhatIf; Get-WakeOnLanPacket's bytes; the help. Every
# send names 127.0.0.1; the default address is only ever shown by -WhatIf.
# Prints each failed check; exits 1 on any.
param(
    [Parameter(Mandatory)] [string] $Repository,
    [Parameter(Mandatory)] [string] $Version,
    [Parameter(Mandatory)] [string] $Pwsh
)
Set-StrictMode -Version 3.0
$ErrorActionPreference = 'Stop'
$PSStyle.OutputRendering = 'PlainText'
$script:failures = 0
$script:checks = 0

function Test-That([bool] $Ok, [string] $What) {
    $script:checks++
    if (-not $Ok) {
        Write-Host "FAIL: $What"
        $script:failures++
    }
}

# A UDP receiver bound to 127.0.0.1 on a free port before anything is sent.
# A datagram sent to loopback is queued before the send returns: the
# timeout only bounds a failure.
function New-Receiver {
    $receiver = [System.Net.Sockets.UdpClient]::new(
        [System.Net.IPEndPoint]::new([System.Net.IPAddress]::Loopback, 0))
    $receiver.Client.ReceiveTimeout = 10000
    return $receiver
}

function Get-ReceiverPort($Receiver) { $Receiver.Client.LocalEndPoint.Port }

# The next datagram as hex, or "(nothing)" after the timeout.
function Receive-Hex($Receiver) {
    $from = [System.Net.IPEndPoint]::new([System.Net.IPAddress]::Any, 0)
    try {
        return [Convert]::ToHexString($Receiver.Receive([ref] $from))
    } catch {
        return '(nothing)'
    }
}

# The magic packet for a MAC address in any form, as hex.
function Get-PacketHex([string] $Mac) {
    $digits = ($Mac -replace '[^0-9A-Fa-f]', '').ToUpperInvariant()
    return ('FF' * 6) + ($digits * 16)
}

# Proves that nothing more arrived: a marker sent now must be next.
$marker = '02:00:00:00:00:01'
function Test-NothingElse($Receiver, [string] $What) {
    [Tarnwick.Wol.WakeOnLan]::Send($marker, '127.0.0.1', (Get-ReceiverPort $Receiver))
    Test-That ((Receive-Hex $Receiver) -eq (Get-PacketHex $marker)) "$What (something else arrived)"
}

function Test-Received($Receiver, [string[]] $Macs, [string] $What) {
    foreach ($mac in $Macs) {
        $got = Receive-Hex $Receiver
        Test-That ($got -eq (Get-PacketHex $mac)) "$($What): expected the packet of $mac, got $got"
    }
    Test-NothingElse $Receiver $What
}

$work = Join-Path $HOME 'module-test'
New-Item -ItemType Directory -Force $work | Out-Null

# --- Installation from a local repository, for the current user (HOME).
Register-PSResourceRepository -Name TarnwickWolLocal -Uri $Repository -Trusted
Install-PSResource -Name TarnwickWol -Version $Version -Repository TarnwickWolLocal -Scope CurrentUser `
    -TrustRepository -Reinstall -Quiet
$available = @(Get-Module -ListAvailable TarnwickWol)
Test-That ($available.Count -eq 1) "one TarnwickWol module installed, not $($available.Count)"
Test-That ($available[0].Version -eq [version] $Version) "module version $($available[0].Version), not $Version"
Test-That ($available[0].ModuleBase.StartsWith($HOME)) "installed in $($available[0].ModuleBase), outside HOME"
Import-Module TarnwickWol
$commands = (Get-Command -Module TarnwickWol).Name | Sort-Object
Test-That (($commands -join ',') -eq 'Get-WakeOnLanPacket,Send-WakeOnLan') "the module exports $($commands -join ', ')"
Test-That ([Tarnwick.Wol.WakeOnLan]::LibraryVersion -eq $Version) 'the library is not of the module''s version'
# The library that the assembly loaded is the module's own.
# (By the file's name: the folders above it may hold the name too.)
$mapped = @(Get-Content /proc/self/maps | Where-Object { $_ -match '/libtarnwick-wol\.so[^/]*$' } |
        ForEach-Object { $_.Substring($_.IndexOf('/')) } | Sort-Object -Unique)
$native = Join-Path $available[0].ModuleBase 'runtimes/linux-x64/native/libtarnwick-wol.so'
Test-That ($mapped.Count -eq 1 -and $mapped[0] -eq $native) "the library came from $mapped, not $native"

# --- A CSV file through the pipeline: one object per wake-up.
$receiver = New-Receiver
$port = Get-ReceiverPort $receiver
$csv = Join-Path $work 'machines.csv'
Set-Content $csv -Value @(
    'Name,MacAddress'
    'alpha,0A:1B:2C:3D:4E:5F'
    'beta,0a1b2c3d4e60'
    'gamma,0A-1B-2C-3D-4E-61'
)
$results = @(Import-Csv $csv | Send-WakeOnLan -BroadcastAddress 127.0.0.1 -Port $port)
Test-That ($results.Count -eq 3) "a CSV of three MAC addresses gave $($results.Count) objects"
$expected = @('0A:1B:2C:3D:4E:5F', '0a1b2c3d4e60', '0A-1B-2C-3D-4E-61')
for ($i = 0; $i -lt [Math]::Min(3, $results.Count); $i++) {
    $result = $results[$i]
    Test-That ($result.PSObject.TypeNames -contains 'TarnwickWol.WakeOnLanResult') "result $i has no type name"
    Test-That ($result.MacAddress -eq $expected[$i] -and $result.BroadcastAddress -eq '127.0.0.1' -and
        $result.Port -eq $port) "result $i reads $result"
}
Test-Received $receiver $expected 'the CSV file'

# Columns of their own: each row's address and port, by property name.
$other = New-Receiver
Set-Content $csv -Value @(
    'MacAddress,BroadcastAddress,Port'
    "0A:1B:2C:3D:4E:70,127.0.0.1,$port"
    "0A:1B:2C:3D:4E:71,127.0.0.1,$(Get-ReceiverPort $other)"
)
$results = @(Import-Csv $csv | Send-WakeOnLan)
Test-That (($results.Port -join ',') -eq "$port,$(Get-ReceiverPort $other)") "the rows' ports: $($results.Port)"
Test-Received $receiver @('0A:1B:2C:3D:4E:70') 'the first row'
Test-Received $other @('0A:1B:2C:3D:4E:71') 'the second row'
$other.Dispose()

# Strings by value, and several addresses in one argument.
$results = @('0A:1B:2C:3D:4E:72', '0A1B2C3D4E73' | Send-WakeOnLan -BroadcastAddress 127.0.0.1 -Port $port)
Test-That ($results.Count -eq 2) "two strings through the pipeline gave $($results.Count) objects"
Test-Received $receiver @('0A:1B:2C:3D:4E:72', '0A1B2C3D4E73') 'strings through the pipeline'
$results = @(Send-WakeOnLan -MacAddress 0A:1B:2C:3D:4E:74, 0A:1B:2C:3D:4E:75 -BroadcastAddress 127.0.0.1 -Port $port)
Test-That ($results.Count -eq 2) "two addresses in -MacAddress gave $($results.Count) objects"
Test-Received $receiver @('0A:1B:2C:3D:4E:74', '0A:1B:2C:3D:4E:75') 'two addresses in -MacAddress'

# --- A bad MAC address among good ones: one error record with the
# library's message, and the others still go.
$errors = $null
$results = @('0A:1B:2C:3D:4E:76', 'not-a-mac', '0A:1B:2C:3D:4E:77' |
        Send-WakeOnLan -BroadcastAddress 127.0.0.1 -Port $port -ErrorAction SilentlyContinue -ErrorVariable errors)
Test-That ($results.Count -eq 2) "two good of three gave $($results.Count) objects"
Test-That ($errors.Count -eq 1) "one bad MAC address gave $($errors.Count) error records"
if ($errors.Count -ge 1) {
    $record = $errors[0]
    Test-That ($record.Exception.Message -ceq 'mac contains non-hex characters') "the error reads: $($record.Exception.Message)"
    Test-That ($record.ToString() -ceq 'mac contains non-hex characters') "the error shows as: $record"
    Test-That ($record.TargetObject -eq 'not-a-mac') "the error's target is $($record.TargetObject)"
    Test-That ($record.CategoryInfo.Category -eq 'InvalidArgument') "the error's category is $($record.CategoryInfo.Category)"
    Test-That ($record.FullyQualifiedErrorId -eq 'InvalidMacAddress,Send-WakeOnLan') "the error's id is $($record.FullyQualifiedErrorId)"
}
Test-Received $receiver @('0A:1B:2C:3D:4E:76', '0A:1B:2C:3D:4E:77') 'a bad MAC address among good ones'

$errors = $null
$results = @(Send-WakeOnLan 0A:1B:2C:3D:4E:78 -BroadcastAddress 127.1 -Port $port -ErrorAction SilentlyContinue -ErrorVariable errors)
Test-That ($results.Count -eq 0 -and $errors.Count -eq 1 -and
    $errors[0].Exception.Message -ceq 'invalid broadcast_ip (must be IPv4 dotted quad)' -and
    $errors[0].FullyQualifiedErrorId -eq 'InvalidBroadcastAddress,Send-WakeOnLan') "a bad address: $($errors -join '; ')"
Test-NothingElse $receiver 'a bad address'

# --- -WhatIf sends nothing and writes nothing to the pipeline.
$before = $script:failures
$results = @(Send-WakeOnLan 0A:1B:2C:3D:4E:79 -BroadcastAddress 127.0.0.1 -Port $port -WhatIf)
Test-That ($results.Count -eq 0) "-WhatIf wrote $($results.Count) objects"
Test-NothingElse $receiver '-WhatIf'
# The defaults, shown by -WhatIf in a PowerShell of its own (its host writes
# what -WhatIf says), only once -WhatIf has been seen to send nothing.
if ($script:failures -eq $before) {
    $shown = & $Pwsh -NoProfile -NonInteractive -Command 'Import-Module TarnwickWol; Send-WakeOnLan 0A:1B:2C:3D:4E:7A -WhatIf' | Out-String
    Test-That ($shown -match [regex]::Escape('on target "0A:1B:2C:3D:4E:7A via 255.255.255.255:9"')) "-WhatIf without an address said: $shown"
} else {
    Test-That $false '-WhatIf with the default address was not tried, as the checks before it failed'
}
$receiver.Dispose()

# --- Get-WakeOnLanPacket: one byte array per address.
$packet = Get-WakeOnLanPacket 0A:1B:2C:3D:4E:5F
Test-That ($packet -is [byte[]] -and $packet.Length -eq 102) "Get-WakeOnLanPacket gave a $($packet.GetType().Name) of $($packet.Length)"
Test-That ([Convert]::ToHexString($packet) -eq (Get-PacketHex '0A:1B:2C:3D:4E:5F')) 'the packet''s bytes'
$errors = $null
$packets = @('0A:1B:2C:3D:4E:5F', '0A:1B:2C:3D:4E', '0a-1b-2c-3d-4e-60' |
        Get-WakeOnLanPacket -ErrorAction SilentlyContinue -ErrorVariable errors)
Test-That ($packets.Count -eq 2 -and (($packets | ForEach-Object { $_.Length }) -join ',') -eq '102,102') "three addresses, one bad, gave $($packets.Count) packets"
Test-That ($packets.Count -eq 2 -and [Convert]::ToHexString($packets[1]) -eq (Get-PacketHex '0a1b2c3d4e60')) 'the hyphenated address''s packet'
Test-That ($errors.Count -eq 1 -and $errors[0].Exception.Message -ceq 'mac must be AA:BB:CC:DD:EE:FF or AABBCCDDEEFF') "the bad address's errors: $errors"

# --- Help with examples.
$help = Get-Help Send-WakeOnLan -Full
Test-That ($help.Synopsis -match 'Wake-on-LAN') "synopsis: $($help.Synopsis)"
Test-That (@($help.examples.example).Count -ge 4) "$(@($help.examples.example).Count) examples"
$mac = $help.parameters.parameter | Where-Object name -EQ MacAddress
Test-That ($mac.pipelineInput -match 'ByValue' -and $mac.pipelineInput -match 'ByPropertyName') "MacAddress takes the pipeline: $($mac.pipelineInput)"
$text = $help | Out-String
Test-That ($text -match [regex]::Escape('Import-Csv machines.csv | Send-WakeOnLan')) 'the help shows no CSV example'
Test-That ((Get-Help Send-WakeOnLan -Parameter BroadcastAddress | Out-String) -match '255\.255\.255\.255') 'the default address is not in the help'
Test-That ((Get-Help about_TarnwickWol | Out-String) -match 'Send-WakeOnLan') 'no about_TarnwickWol help'
Test-That ((Get-Help Get-WakeOnLanPacket -Full).Synopsis -match 'magic packet') 'Get-WakeOnLanPacket has no help'

if ($script:failures -gt 0) {
    Write-Host "powershell module: $($script:failures) of $($script:checks) checks FAILED"
    exit 1
}
Write-Host "ok: powershell module, $($script:checks) checks"
exit 0
