Feature: Withdraw Cash - main flow
  Test case SD1 of ATM.mdl, diagram 5A1000000040

  Scenario Outline: path 1
    When readCard <readCard.cardNumber>

    Examples:
      | id | readCard.cardNumber |
      | 5A1000000040-1-001 | yjvAHR |
      | 5A1000000040-1-002 | nixnRFh^rrsp |
      | 5A1000000040-1-003 | "0000" |
      | 5A1000000040-1-004 | [`YIvL |
      | 5A1000000040-1-005 | INFWKWTgWv_qXRh |
      | 5A1000000040-1-006 | LZsNB_gu |

  Scenario Outline: path 1.1
    When validatePin <validatePin.validatePin> <validatePin.pin>
    When withdraw <withdraw.amount>
    When dispense <dispense.dispense> <dispense.amount> <dispense.notes>

    Examples:
      | id | validatePin.validatePin | validatePin.pin | withdraw.amount | dispense.dispense | dispense.amount | dispense.notes |
      | 5A1000000040-1.1-001 | Reading Card | gwX_Lh | 1 | Reading Card | 14 | 1 |
      | 5A1000000040-1.1-002 | Idle | gwX_Lh | 0 | Reading Card | 14 | 1 |
      | 5A1000000040-1.1-003 | Reading Card | gwX_Lh | 4 | Dispensing | 9 | 5 |
      | 5A1000000040-1.1-004 | Idle | gwX_Lh | 4 | Idle | 14 | 4 |
      | 5A1000000040-1.1-005 | Dispensing |  | 1 | Dispensing | 9 | 5 |
