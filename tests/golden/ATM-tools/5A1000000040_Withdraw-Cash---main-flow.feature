Feature: Withdraw Cash - main flow
  Test case SD1 of ATM.mdl, diagram 5A1000000040

  Scenario Outline: path 1
    When readCard <readCard.cardNumber>

    Examples:
      | id | readCard.cardNumber |
      | 5A1000000040-1-001 | LZsNB_gu |
      | 5A1000000040-1-002 | INFWKWTgWv_qXRh |
      | 5A1000000040-1-003 | "0000" |
      | 5A1000000040-1-004 | nixnRFh^rrsp |
      | 5A1000000040-1-005 | yjvAHR |
      | 5A1000000040-1-006 | [`YIvL |

  Scenario Outline: path 1.1
    When validatePin <validatePin.validatePin> <validatePin.pin>
    When withdraw <withdraw.amount>
    When dispense <dispense.dispense> <dispense.amount> <dispense.notes>

    Examples:
      | id | validatePin.validatePin | validatePin.pin | withdraw.amount | dispense.dispense | dispense.amount | dispense.notes |
      | 5A1000000040-1.1-001 | Reading Card | b | 0 | Dispensing | 9 | 4 |
      | 5A1000000040-1.1-002 | Idle | JDsg | 4 | Reading Card | 20 | 5 |
      | 5A1000000040-1.1-003 | Idle | b | 4 | Idle | 19 | 4 |
      | 5A1000000040-1.1-004 | Idle |  | 1 | Dispensing | 9 | 4 |
      | 5A1000000040-1.1-005 | Reading Card | p | 1 | Idle | 19 | 1 |
