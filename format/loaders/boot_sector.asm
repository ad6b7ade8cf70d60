; FAT16 boot sector of a quick-formatted disk's partition (LBA 32), assembled
; into one 512-byte sector: nasm -f bin boot_sector.asm
; The quick format fills in the volume serial number and the volume label.
;
; The boot record loads the sector to 0000:7C00 and runs it. The loader looks
; for WINBOOT.SYS, or else IO.SYS, in the root directory, loads the first 4
; sectors of that file's first cluster to 0000:0700, checks the file's MZ and
; BJ signatures and hands over to it at 0070:0200.
;
; Everything stands at a fixed offset: "at" pads with zeros up to the offset,
; and a part that outgrows its room makes the padding negative, which fails
; the assembly.

bits 16
cpu 8086

%define at(offset) times (offset) - ($ - $$) db 0

loadAddress     equ 0x7C00
directoryBuffer equ 0x0700      ; one root directory sector at a time
systemBuffer    equ 0x0700      ; the system file's first sectors
systemSectors   equ 4
systemSegment   equ 0x0070      ; the system file starts at 0070:0200
systemEntry     equ 0x0200
tableCopy       equ 0x0522      ; our copy of the diskette parameter table
tableVector     equ 0x1E * 4    ; interrupt vector 1Eh points at the table
tableSize       equ 11
entrySize       equ 32
skippedEntries  equ 0x18        ; volume label (0x08) and directory (0x10) entries are never the system file

org loadAddress

        jmp short loader
        nop
oemName:            db 0x28, 0x7E, 0x24, 0x5A, 0x3F, 0x49, 0x48, 0x43
bytesPerSector:     dw 512
sectorsPerCluster:  db 4
reservedSectors:    dw 1
numberOfFats:       db 2
rootEntries:        dw 512
totalSectors16:     dw 0                ; the 32-bit field holds the count
mediaDescriptor:    db 0xF8
sectorsPerFat:      dw 77
sectorsPerTrack:    dw 32
heads:              dw 16
hiddenSectors:      dd 32
totalSectors32:     dd 78816
driveNumber:        db 0x80
                    db 0
bootSignature:      db 0x29
serialNumber:       dd 0                ; filled in by the quick format
volumeLabel:        times 11 db 0       ; filled in by the quick format
fileSystemType:     db "FAT16   "
systemName:         dw winbootName      ; the name searched first; IO.SYS follows

at(0x040)
; BP stays at 0000:7C00: the boot sector's fields are reached from it, and
; the loader's working values lie on the stack just below it.
oldTableOffset  equ -4          ; the diskette parameter vector as the BIOS left it
oldTableSegment equ -2
rootSector      equ -8          ; first root directory sector, 32 bits
dataSector      equ -12         ; first data sector (cluster 2), 32 bits

loader:
        cli
        xor ax, ax
        mov ss, ax
        mov sp, loadAddress
        mov bp, sp
        mov ds, ax
        mov es, ax
        cld
        mov [bp + driveNumber - $$], dl ; read from the drive we were started from

        ; Copy the BIOS diskette parameter table, give the copy a head-settle
        ; time of 15 and this disk's sectors per track, and point the vector
        ; at it; the old vector is put back before a restart.
        mov bx, tableVector
        lds si, [bx]
        push ds
        push si
        mov di, tableCopy
        mov cx, tableSize
        rep movsb
        mov ds, ax
        mov byte [di - tableSize + 9], 15
        mov al, [bp + sectorsPerTrack - $$]
        mov [di - tableSize + 4], al
        mov word [bx], tableCopy
        mov [bx + 2], ds
        sti

        test dl, dl
        js .located                     ; a hard disk (0x80 and up)
        int 0x13                        ; AH is 0: reset the diskette drive first

.located:
        ; Root directory: hidden + reserved + number of FATs x sectors per FAT.
        mov al, [bp + numberOfFats - $$]
        cbw
        mul word [bp + sectorsPerFat - $$]
        add ax, [bp + hiddenSectors - $$]
        adc dx, [bp + hiddenSectors + 2 - $$]
        add ax, [bp + reservedSectors - $$]
        adc dx, 0
        push dx
        push ax                         ; rootSector
        ; The data area follows the root directory, 16 entries a sector.
        mov di, [bp + rootEntries - $$]
        add di, 15
        mov cl, 4                       ; CH stays 0 from here on
        shr di, cl
        add ax, di
        adc dx, 0
        push dx
        push ax                         ; dataSector

; Looks through the root directory for the name that 0x03E points at; at the
; end of the directory it starts again with IO.SYS.
findSystemFile:
        mov ax, [bp + rootSector]
        mov dx, [bp + rootSector + 2]
.sector:
        mov bx, directoryBuffer
        call readSector
        mov di, directoryBuffer
.entry:
        cmp [di], ch                    ; a first byte of 0 ends the directory
        je .endOfDirectory
        test byte [di + 11], skippedEntries
        jnz .skip
        mov si, [bp + systemName - $$]
        mov cl, 11
        push di
        repe cmpsb
        pop di
        je loadSystemFile
.skip:
        add di, entrySize
        cmp di, bx                      ; the end of the sector just read
        jb .entry
        cmp ax, [bp + dataSector]       ; the root directory ends where the data area starts
        jne .sector
.endOfDirectory:
        mov si, ioName
        cmp [bp + systemName - $$], si
        je noSystemFile
        mov [bp + systemName - $$], si
        jmp short findSystemFile

; DI: the file's directory entry.
loadSystemFile:
        mov ax, [di + 26]               ; first cluster
        sub ax, 2
        jb noSystemFile                 ; an empty file has no cluster
        mov cl, [bp + sectorsPerCluster - $$]
        mul cx
        add ax, [bp + dataSector]
        adc dx, [bp + dataSector + 2]
        mov bx, systemBuffer
        mov cl, systemSectors
.sector:
        call readSector
        loop .sector
        cmp word [systemBuffer], 0x5A4D         ; "MZ"
        jne badSystemFile
        cmp word [systemBuffer + 512], 0x4A42   ; "BJ"
        jne badSystemFile
        mov dl, [bp + driveNumber - $$]
        jmp systemSegment:systemEntry

; DX:AX: the sector (LBA), ES:BX: where it goes. Reads it through the BIOS
; disk service by cylinder, head and sector and moves DX:AX and BX on to the
; next sector; a failed read ends in the disk error. The track fits the
; 16-bit quotient for every disk with fewer than 64 heads.
readSector:
        push ax
        push cx
        push dx
        div word [bp + sectorsPerTrack - $$]    ; AX: track, DX: sector - 1
        inc dx
        mov cx, dx                      ; CL: sector
        xor dx, dx
        div word [bp + heads - $$]      ; AX: cylinder, DL: head
        mov dh, dl
        mov ch, al                      ; cylinder bits 0-7
        ror ah, 1                       ; cylinder bits 8-9 into CL bits 6-7
        ror ah, 1
        or cl, ah
        mov dl, [bp + driveNumber - $$]
        mov ax, 0x0201                  ; read one sector
        int 0x13
        pop dx
        pop cx
        pop ax
        jc diskError
        add bx, 512
        add ax, 1
        adc dx, 0
        ret

noSystemFile:
        mov bx, messageLinks
        jmp short fail
badSystemFile:
        mov bx, messageLinks + 2
        jmp short fail
diskError:
        mov bx, messageLinks + 1

; BX: a message link, the distance from the byte behind it to the message.
; A message ending in 0xFF goes on with the replace prompt of the last link.
; After a key press the diskette parameter vector is put back and the boot
; starts again.
fail:
        mov al, [bx]
        cbw
        lea si, [bx + 1]
        add si, ax
.char:
        lodsb
        cmp al, 0xFF
        je .prompt
        test al, al
        jz .key
        mov ah, 0x0E                    ; teletype output, page 0, colour 7
        mov bx, 0x0007
        int 0x10
        jmp short .char
.prompt:
        mov bx, messageLinks + 3
        jmp short fail
.key:
        cbw                             ; AH 0: wait for a key
        int 0x16
        lea sp, [bp + oldTableOffset]
        pop word [tableVector]
        pop word [tableVector + 2]
        int 0x19

at(0x180)
messageLinks:
        db invalidText - ($ + 1)
        db diskErrorText - ($ + 1)
        db invalidText - ($ + 1)
        db replaceText - ($ + 1)
at(0x184)
invalidText:    db 13, 10, "Invalid system disk", 0xFF
at(0x19A)
diskErrorText:  db 13, 10, "Disk I/O error", 0xFF
at(0x1AB)
replaceText:    db 13, 10, "Replace the disk, and then press any key", 13, 10, 0
at(0x1D8)
ioName:         db "IO      SYS"
at(0x1E3)
                db "MSDOS   SYS"
at(0x1EE)
                db 0x80, 0x01, 0x00
at(0x1F1)
winbootName:    db "WINBOOT SYS"
at(0x1FC)
                dw 0
at(0x1FE)
                db 0x55, 0xAA
