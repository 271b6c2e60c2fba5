/*
 * portkit CRCs: the CRC-16 of XMODEM, YMODEM and ZMODEM (polynomial 0x1021,
 * most significant bit first, no final XOR) and the CRC-32 of ZMODEM
 * (reflected 0xEDB88320; start from 0xFFFFFFFF and complement at the end
 * for the standard value). Pure functions; the caller keeps the register.
 */
#ifndef PORTKIT_CRC_H
#define PORTKIT_CRC_H

#include <stdint.h>

#include "portkit/export.h"

PORTKIT_BEGIN_DECLS

PORTKIT_API uint16_t CalculateBlockCRC16(int length, uint16_t crc, const void *buffer);
PORTKIT_API uint16_t CalculateCharacterCRC16(uint16_t crc, unsigned char c);
PORTKIT_API uint32_t CalculateCharacterCRC16VB(uint16_t crc, unsigned char c);
PORTKIT_API uint16_t CalculateCharacterCRC16m(uint16_t crc, unsigned char c);
PORTKIT_API uint32_t CalculateBlockCRC32(int length, uint32_t crc, const void *buffer);
PORTKIT_API uint32_t CalculateCharacterCRC32(uint32_t crc, unsigned char c);
PORTKIT_API uint32_t CalculateCharacterCRC32VB(uint32_t crc, unsigned char c);

PORTKIT_END_DECLS

#endif
