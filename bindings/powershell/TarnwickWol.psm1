# TarnwickWol: Wake-on-LAN for PowerShell, on the Tarnwick.Wol assembly that
# the manifest loads (RequiredAssemblies), and through it on the tarnwick-wol
# native library in runtimes/RID/native/ beside it.
Set-StrictMode -Version 3.0

# Windows writes MAC addresses with hyphens (Get-NetAdapter, Get-NetNeighbor,
# getmac); the library takes ':' or no separator. Exactly that form is
# rewritten with colons; anything else goes to the library as it is, which
# judges it in its own words.
function ConvertTo-LibraryMac([string] $Text) {
    if ($Text -match '^[0-9A-Fa-f]{2}(-[0-9A-Fa-f]{2}){5}$') {
        return $Text -replace '-', ':'
    }
    return $Text
}

# Calls into the assembly. An exception caught in a function, even by its
# own try/catch, also lands in the -ErrorVariable of the command that runs
# it, beside the error record that the command writes; one caught in a class
# method does not. So a refused address gives exactly one error record.
class TarnwickWolCall {
    # Send's exception, or $null once the packet was sent.
    static [System.Exception] Send([string] $Mac, [string] $Address, [int] $Port) {
        try {
            [Tarnwick.Wol.WakeOnLan]::Send($Mac, $Address, $Port)
            return $null
        } catch {
            return [TarnwickWolCall]::Unwrap($_.Exception)
        }
    }

    # The packet (byte[]), or CreatePacket's exception.
    static [object] CreatePacket([string] $Mac) {
        try {
            return [Tarnwick.Wol.WakeOnLan]::CreatePacket($Mac)
        } catch {
            return [TarnwickWolCall]::Unwrap($_.Exception)
        }
    }

    # The assembly's exception, without PowerShell's MethodInvocationException
    # around it.
    static [System.Exception] Unwrap([System.Exception] $Exception) {
        while ($Exception -is [System.Management.Automation.MethodInvocationException] -and
            $null -ne $Exception.InnerException) {
            $Exception = $Exception.InnerException
        }
        return $Exception
    }
}

# A non-terminating error for one input, whose message is the library's.
function New-WakeOnLanError([System.Exception] $Exception, [object] $Target) {
    $id, $category = switch ($Exception) {
        { $_ -is [System.ArgumentException] -and $_.ParamName -eq 'macAddress' } {
            'InvalidMacAddress', 'InvalidArgument'; break
        }
        { $_ -is [System.ArgumentException] -and $_.ParamName -eq 'broadcastAddress' } {
            'InvalidBroadcastAddress', 'InvalidArgument'; break
        }
        { $_ -is [System.ArgumentException] } { 'InvalidArgument', 'InvalidArgument'; break }
        { $_ -is [Tarnwick.Wol.WakeOnLanException] } { 'SendFailed', 'ConnectionError'; break }
        default { 'WakeOnLanFailed', 'NotSpecified' }
    }
    return [System.Management.Automation.ErrorRecord]::new(
        $Exception, $id, [System.Management.Automation.ErrorCategory]::$category, $Target)
}

function Send-WakeOnLan {
    <#
    .SYNOPSIS
    Wakes computers over the network by Wake-on-LAN.

    .DESCRIPTION
    Sends the Wake-on-LAN magic packet for each MAC address as one UDP
    datagram over IPv4: six 0xFF bytes, then the six bytes of the address
    sixteen times. A computer whose network adapter has Wake-on-LAN turned on
    starts when the packet reaches it.

    MAC addresses come as arguments or from the pipeline, as strings or as
    objects with a MacAddress property, such as the rows of a CSV file read
    by Import-Csv (whose BroadcastAddress and Port columns, if any, are used
    too). A MAC address is written AA:BB:CC:DD:EE:FF, AA-BB-CC-DD-EE-FF or
    AABBCCDDEEFF, in any mix of upper and lower case.

    Without -BroadcastAddress the packet goes to 255.255.255.255, the
    broadcast of the network this computer is on; a router does not pass it
    on. To wake a computer on another network, name that network's broadcast
    address, such as 192.168.1.255.

    Each wake-up that was sent is written to the pipeline as one object with
    the MacAddress, BroadcastAddress and Port it went to. A MAC address that
    cannot be used is a non-terminating error whose message is the native
    library's own (such as "mac contains non-hex characters"), and the
    others are still sent. -WhatIf shows what would be sent and sends
    nothing.

    .PARAMETER MacAddress
    The MAC address of each computer to wake. Accepts pipeline input, by
    value and by the property name MacAddress (or Mac, PhysicalAddress,
    LinkLayerAddress).

    .PARAMETER BroadcastAddress
    The IPv4 address to send to, in dotted-quad form; by default
    255.255.255.255.

    .PARAMETER Port
    The UDP port to send to, from 1 to 65535; by default 9 (discard), which
    most adapters listen on. Some expect 7 (echo).

    .INPUTS
    System.String
    A MAC address.

    System.Management.Automation.PSObject
    An object with a MacAddress property, and optionally BroadcastAddress and
    Port properties.

    .OUTPUTS
    TarnwickWol.WakeOnLanResult
    One object per wake-up sent: MacAddress, BroadcastAddress and Port.

    .EXAMPLE
    Send-WakeOnLan -MacAddress 00:11:22:33:44:55

    Wakes the computer with that MAC address on this computer's network.

    .EXAMPLE
    Send-WakeOnLan 00-11-22-33-44-55, 001122334466 -BroadcastAddress 192.168.1.255 -Port 7

    Wakes two computers on the network 192.168.1.0/24, on UDP port 7.

    .EXAMPLE
    Import-Csv machines.csv | Send-WakeOnLan -BroadcastAddress 192.168.1.255

    Wakes every computer of a CSV file with a MacAddress column. Rows that
    have a BroadcastAddress or Port column of their own use it instead.

    .EXAMPLE
    Get-Content macs.txt | Send-WakeOnLan -WhatIf

    Shows, for each MAC address in the file, what would be sent, and sends
    nothing.

    .EXAMPLE
    Send-WakeOnLan $macs -ErrorVariable failed -ErrorAction SilentlyContinue
    $failed | ForEach-Object { "$($_.TargetObject): $($_.Exception.Message)" }

    Sends what can be sent, then lists each MAC address that could not be
    used, with the library's reason.

    .LINK
    Get-WakeOnLanPacket

    .LINK
    about_TarnwickWol
    #>
    [CmdletBinding(SupportsShouldProcess, ConfirmImpact = 'Low')]
    [OutputType('TarnwickWol.WakeOnLanResult')]
    param(
        [Parameter(Mandatory, Position = 0, ValueFromPipeline, ValueFromPipelineByPropertyName)]
        [Alias('Mac', 'PhysicalAddress', 'LinkLayerAddress')]
        [string[]] $MacAddress,

        [Parameter(Position = 1, ValueFromPipelineByPropertyName)]
        [AllowEmptyString()]
        [AllowNull()]
        [string] $BroadcastAddress,

        [Parameter(Position = 2, ValueFromPipelineByPropertyName)]
        [ValidateRange(1, 65535)]
        [int] $Port = [Tarnwick.Wol.WakeOnLan]::DefaultPort
    )

    process {
        $address = if ($BroadcastAddress) { $BroadcastAddress } else { [Tarnwick.Wol.WakeOnLan]::DefaultBroadcastAddress }
        foreach ($mac in $MacAddress) {
            if (-not $PSCmdlet.ShouldProcess("$mac via ${address}:$Port", 'Send Wake-on-LAN magic packet')) {
                continue
            }
            $failure = [TarnwickWolCall]::Send((ConvertTo-LibraryMac $mac), $address, $Port)
            if ($null -ne $failure) {
                $PSCmdlet.WriteError((New-WakeOnLanError $failure $mac))
                continue
            }
            [PSCustomObject]@{
                PSTypeName       = 'TarnwickWol.WakeOnLanResult'
                MacAddress       = $mac
                BroadcastAddress = $address
                Port             = $Port
            }
        }
    }
}

function Get-WakeOnLanPacket {
    <#
    .SYNOPSIS
    Returns the Wake-on-LAN magic packet for a MAC address.

    .DESCRIPTION
    Builds the 102 bytes that Send-WakeOnLan sends for a MAC address: six
    0xFF bytes, then the six bytes of the address sixteen times. Each MAC
    address gives one byte array (byte[]), for sending by other means or for
    checking what a capture shows. A MAC address that cannot be used is a
    non-terminating error whose message is the native library's own.

    .PARAMETER MacAddress
    The MAC address: AA:BB:CC:DD:EE:FF, AA-BB-CC-DD-EE-FF or AABBCCDDEEFF.
    Accepts pipeline input, by value and by property name.

    .INPUTS
    System.String

    .OUTPUTS
    System.Byte[]

    .EXAMPLE
    $packet = Get-WakeOnLanPacket 00:11:22:33:44:55
    $packet.Length

    102

    .EXAMPLE
    Get-WakeOnLanPacket 00:11:22:33:44:55 | Format-Hex

    Shows the packet's bytes.

    .LINK
    Send-WakeOnLan
    #>
    [CmdletBinding()]
    [OutputType([byte[]])]
    param(
        [Parameter(Mandatory, Position = 0, ValueFromPipeline, ValueFromPipelineByPropertyName)]
        [Alias('Mac', 'PhysicalAddress', 'LinkLayerAddress')]
        [string[]] $MacAddress
    )

    process {
        foreach ($mac in $MacAddress) {
            $packet = [TarnwickWolCall]::CreatePacket((ConvertTo-LibraryMac $mac))
            if ($packet -is [System.Exception]) {
                $PSCmdlet.WriteError((New-WakeOnLanError $packet $mac))
                continue
            }
            # One array per address, not its 102 bytes one by one.
            $PSCmdlet.WriteObject($packet, $false)
        }
    }
}

Export-ModuleMember -Function Send-WakeOnLan, Get-WakeOnLanPacket
